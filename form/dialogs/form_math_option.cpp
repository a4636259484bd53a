#include "form_math_option.h"

#include "acquisition_thread.h"

#include "control_facade.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QRadioButton* radio(const char* name, const char* caption, QWidget* group) {
    auto* button = new QRadioButton(caption, group);
    button->setObjectName(name);
    group->layout()->addWidget(button);
    return button;
}

QGroupBox* group(const char* title, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    new QVBoxLayout(box);
    return box;
}

} // namespace

TFormMathOption::TFormMathOption(QWidget* parent) : QDialog(parent) {
    setObjectName("FormMathOption");
    setWindowTitle("Math Option");
    QGroupBox* src1 = group("Src 1", this);
    s1_ch1 = radio("s1_ch1", "CH1", src1);
    s1_ch2 = radio("s1_ch2", "CH2", src1);
    QGroupBox* src2 = group("Src 2", this);
    s2_ch1 = radio("s2_ch1", "CH1", src2);
    s2_ch2 = radio("s2_ch2", "CH2", src2);
    QGroupBox* op = group("Operator", this);
    rb_add = radio("rb_add", "ADD", op);
    rb_sub = radio("rb_sub", "SUB", op);
    rb_mul = radio("rb_mul", "MUL", op);
    rb_div = radio("rb_div", "DIV", op);
    int tag = 1;
    for (QRadioButton* b : {rb_add, rb_sub, rb_mul, rb_div}) b->setProperty("Tag", tag++);
    s1_ch1->setChecked(true);
    s2_ch2->setChecked(true);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(src1);
    groups->addWidget(src2);
    groups->addWidget(op);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);
}

void TFormMathOption::presetFromKernel() {
    (controlGetMathSource1() == 1 ? s1_ch1 : s1_ch2)->setChecked(true);
    (controlGetMathSource2() == 1 ? s2_ch1 : s2_ch2)->setChecked(true);
    QRadioButton* operators[] = {rb_add, rb_sub, rb_mul, rb_div};
    const int operation = controlGetMathOperation();
    if (operation >= 0 && operation < 4) operators[operation]->setChecked(true);
}

void TFormMathOption::applyToKernel() {
    controlSetMathSource1(s1_ch1->isChecked() ? 1 : 2);
    controlSetMathSource2(s2_ch1->isChecked() ? 1 : 2);
    const QRadioButton* operators[] = {rb_add, rb_sub, rb_mul, rb_div};
    for (int operation = 0; operation < 4; ++operation)
        if (operators[operation]->isChecked()) controlSetMathOperation(operation);
}

bool runMathOptionDialog(QWidget* owner) {
    TFormMathOption dialog(owner);
    dialog.presetFromKernel();
    if (dialog.exec() != QDialog::Accepted) return false;
    // The cycle computes the math trace from these settings.
    return pauseStandard(processGuiEventsExceptInput, [&] { dialog.applyToKernel(); });
}
