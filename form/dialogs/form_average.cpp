#include "form_average.h"

#include "control_facade.h"
#include "dialog_values.h"
#include "message_box.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

TFormAverage::TFormAverage(QWidget* parent)
    : QDialog(parent), EditAverage(new QLineEdit(this)), BtOK(new QPushButton("OK", this)) {
    setObjectName("FormAverage");
    setWindowTitle("Average");
    EditAverage->setObjectName("EditAverage");
    BtOK->setObjectName("BtOK");
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(EditAverage);
    layout->addWidget(BtOK);
    connect(BtOK, &QPushButton::clicked, this, &QDialog::accept);
    EditAverage->installEventFilter(this);
}

bool TFormAverage::EditAverageKeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    BtOK->setFocus();
    return true;
}

bool TFormAverage::eventFilter(QObject* watched, QEvent* event) {
    // Taken here, before the dialog would press its default button.
    if (watched == EditAverage && event->type() == QEvent::KeyPress)
        return EditAverageKeyDown(static_cast<QKeyEvent*>(event)->key());
    return QDialog::eventFilter(watched, event);
}

void runAverageDialog(QWidget* owner, const std::function<void(int)>& apply) {
    QString text;
    {
        TFormAverage dialog(owner);
        dialog.EditAverage->setText(QString::number(controlGetNumberOfAverage()));
        dialog.exec();
        text = dialog.EditAverage->text();
    }
    const AverageChoice choice = checkAverageCount(text.toStdString(), controlGetNumberOfAverageMax());
    if (!choice.warning.empty()) showMessage(choice.warning);
    if (apply) apply(choice.count);
}
