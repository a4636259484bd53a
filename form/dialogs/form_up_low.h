#pragma once
// "Upper Lower": the upper and lower reference levels of the automatic measurements, percent
// of the span from base (0) to top (100), kept in Environment as UpperLevel and LowerLevel.

#include <QDialog>

class Environment;
class QLineEdit;
class QPushButton;

class TFormUpLow : public QDialog {
    Q_OBJECT
public:
    // EdUpper and EdLower show the environment's UpperLevel and LowerLevel.
    explicit TFormUpLow(Environment& environment, QWidget* parent = nullptr);

    // OK: both boxes as integers, each clamped to 0..100, stored as UpperLevel and LowerLevel
    // (their order is not checked); a box that holds no integer shows "Enter a Integer Value"
    // and stores nothing. Either way the dialog closes with the OK result.
    void OKBtnClick();

    QLineEdit* EdUpper;
    QLineEdit* EdLower;
    QPushButton* OKBtn;     // "OK", default
    QPushButton* CancelBtn; // "Cancel"

private:
    Environment& d_environment;
};
