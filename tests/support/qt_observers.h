#pragma once
// What Qt does behind a test's back: the warnings it writes and the queued calls it delivers.

#include <QEvent>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <mutex>
#include <string>
#include <vector>

// Collects Qt's warnings while alive, from any thread (Qt complains about a widget used off its
// thread, a timer started from another thread, ...).
class QtMessages {
public:
    QtMessages() {
        std::lock_guard<std::mutex> lock(mutex());
        store().clear();
        d_previous = qInstallMessageHandler(&QtMessages::record);
    }
    ~QtMessages() { qInstallMessageHandler(d_previous); }
    QtMessages(const QtMessages&) = delete;
    QtMessages& operator=(const QtMessages&) = delete;

    std::vector<std::string> texts() const {
        std::lock_guard<std::mutex> lock(mutex());
        return store();
    }

private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::vector<std::string>& store() {
        static std::vector<std::string> s;
        return s;
    }
    static void record(QtMsgType, const QMessageLogContext&, const QString& text) {
        std::lock_guard<std::mutex> lock(mutex());
        store().push_back(text.toStdString());
    }

    QtMessageHandler d_previous = nullptr;
};

// Counts the queued calls that reach the objects it is installed on as an event filter.
class MetaCallCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MetaCall) ++count;
        return false;
    }
};
