#include "gui_notifier.h"

#include "message_box.h"

#include <QMetaObject>
#include <QObject>

#include <memory>

GuiNotifier::GuiNotifier(QObject* context) : p_context(context) {}

void GuiNotifier::notify(std::string_view text) {
    std::string message(text);
    {
        std::lock_guard lock(d_mutex);
        if (!d_waiting.insert(message).second) return;
    }
    QMetaObject::invokeMethod(
        p_context,
        [self = weak_from_this(), message] {
            if (auto notifier = self.lock()) {
                std::lock_guard lock(notifier->d_mutex);
                notifier->d_waiting.erase(message);
            }
            showMessage(message);
        },
        Qt::QueuedConnection);
}
