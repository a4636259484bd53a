#include "form_up_low.h"

#include "acquisition_thread.h"
#include "dialog_values.h"
#include "environment.h"
#include "message_box.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormUpLow::TFormUpLow(Environment& environment, QWidget* parent)
    : QDialog(parent), EdUpper(new QLineEdit(this)), EdLower(new QLineEdit(this)), OKBtn(new QPushButton("OK", this)),
      CancelBtn(new QPushButton("Cancel", this)), d_environment(environment) {
    setObjectName("FormUpLow");
    setWindowTitle("Upper Lower");
    EdUpper->setObjectName("EdUpper");
    EdLower->setObjectName("EdLower");
    OKBtn->setObjectName("OKBtn");
    CancelBtn->setObjectName("CancelBtn");
    OKBtn->setDefault(true);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel("Upper Level", frame), 0, 0);
    grid->addWidget(EdUpper, 0, 1);
    grid->addWidget(new QLabel("%", frame), 0, 2);
    grid->addWidget(new QLabel("Lower Level", frame), 1, 0);
    grid->addWidget(EdLower, 1, 1);
    grid->addWidget(new QLabel("%", frame), 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    EdUpper->setText(QString::number(environment.UpperLevel));
    EdLower->setText(QString::number(environment.LowerLevel));
    connect(OKBtn, &QPushButton::clicked, this, &TFormUpLow::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormUpLow::OKBtnClick() {
    const std::optional<int> upper = parseDialogInteger(EdUpper->text().toStdString());
    const std::optional<int> lower = parseDialogInteger(EdLower->text().toStdString());
    if (!upper || !lower) {
        showMessage("Enter a Integer Value");
    } else {
        // The measurement window reads the levels in the worker's cycle.
        Environment* environment = &d_environment;
        const int upperLevel = clampLevel(*upper);
        const int lowerLevel = clampLevel(*lower);
        pauseStandardHeld(processGuiEventsExceptInput, [environment, upperLevel, lowerLevel] {
            environment->UpperLevel = upperLevel;
            environment->LowerLevel = lowerLevel;
        });
    }
    accept();
}
