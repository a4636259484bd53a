#include "modal_answer.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <memory>

void answerNextModalDialog(std::function<bool(QDialog&)> answer) {
    QTimer::singleShot(0, [answer = std::move(answer)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (answer(*dialog))
            dialog->accept();
        else
            dialog->reject();
    });
}

void answerModalDialogWhenShown(std::function<bool(QDialog&)> answer) {
    auto* timer = new QTimer(QApplication::instance());
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, answer = std::move(answer)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog && ++*tries < 1000) return;
        timer->deleteLater();
        timer->stop();
        if (!dialog) return;
        if (answer(*dialog))
            dialog->accept();
        else
            dialog->reject();
    });
    timer->start(5);
}
