#include "modal_answer.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

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
