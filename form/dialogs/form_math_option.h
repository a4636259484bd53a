#pragma once
// "Math Option": the two sources and the operator of the math trace. The main window's math
// option command presets the buttons from the kernel and applies them on OK
// (runMathOptionDialog).

#include <QDialog>

class QPushButton;
class QRadioButton;

class TFormMathOption : public QDialog {
    Q_OBJECT
public:
    explicit TFormMathOption(QWidget* parent = nullptr);

    // Checks s1_ch1 when controlGetMathSource1() is 1 (else s1_ch2), s2_ch1 when
    // controlGetMathSource2() is 1 (else s2_ch2) and the operator button of
    // controlGetMathOperation() (0 ADD, 1 SUB, 2 MUL, 3 DIV).
    void presetFromKernel();
    // controlSetMathSource1 (1 when s1_ch1 is checked, else 2), controlSetMathSource2 (the
    // same for s2_ch1) and controlSetMathOperation (0..3 for rb_add .. rb_div).
    void applyToKernel();

    // Group "Src 1", group "Src 2", group "Operator" (property "Tag" 1 to 4).
    QRadioButton* s1_ch1;
    QRadioButton* s1_ch2;
    QRadioButton* s2_ch1;
    QRadioButton* s2_ch2;
    QRadioButton* rb_add;
    QRadioButton* rb_sub;
    QRadioButton* rb_mul;
    QRadioButton* rb_div;
    QPushButton* OKBtn;     // "OK", default, closes with the OK result
    QPushButton* CancelBtn; // "Cancel", closes with the Cancel result
};

// The main window's math option command: a fresh dialog preset from the kernel, shown
// modally; on OK its choice goes to the kernel. The dialog is deleted before the return. True
// on OK.
bool runMathOptionDialog(QWidget* owner);
