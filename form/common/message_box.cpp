#include "message_box.h"

#include "atomic_file.h"

#include <QApplication>
#include <QMessageBox>

#include <algorithm>

namespace {

MessageBoxHandler& handler() {
    static MessageBoxHandler h;
    return h;
}

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void setMessageBoxHandler(MessageBoxHandler h) { handler() = std::move(h); }

MessageResult showMessage(const std::string& text, const std::string& caption, MessageButtons buttons,
                          MessageIcon icon) {
    MessageRequest request{text, caption, buttons, icon};
    if (handler()) return handler()(request);

    QMessageBox::StandardButtons qb = QMessageBox::Ok;
    switch (buttons) {
    case MessageButtons::Ok: qb = QMessageBox::Ok; break;
    case MessageButtons::OkCancel: qb = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MessageButtons::YesNo: qb = QMessageBox::Yes | QMessageBox::No; break;
    case MessageButtons::YesNoCancel: qb = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    const QString title = caption.empty() ? QApplication::applicationName() : QString::fromStdString(caption);
    QMessageBox box(qtIcon(icon), title, QString::fromStdString(text), qb, QApplication::activeWindow());
    // Under one of our stay-on-top windows (the calibration dialogs, full screen) the box
    // could be neither read nor answered.
    const QWidgetList windows = QApplication::topLevelWidgets();
    if (std::any_of(windows.begin(), windows.end(), [](const QWidget* w) {
            return w->isVisible() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        }))
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    switch (box.exec()) {
    case QMessageBox::Ok: return MessageResult::Ok;
    case QMessageBox::Yes: return MessageResult::Yes;
    case QMessageBox::No: return MessageResult::No;
    default: return buttons == MessageButtons::YesNo ? MessageResult::No : MessageResult::Cancel;
    }
}

bool writeFileOrTell(const std::string& path, std::string_view content) {
    std::string why;
    if (atomicWriteFile(path, content, &why)) return true;
    showMessage("File open error: " + why);
    return false;
}
