#pragma once
// "Average": the edit box for the average count. The main window's average command fills it,
// shows it modally and applies what it holds once it closes (runAverageDialog).

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

class TFormAverage : public QDialog {
    Q_OBJECT
public:
    explicit TFormAverage(QWidget* parent = nullptr);

    // Enter (Return or the keypad's Enter) in EditAverage moves the focus to OK; true when the
    // key was taken.
    bool EditAverageKeyDown(int key);

    QLineEdit* EditAverage;
    QPushButton* BtOK; // "OK", closes with the OK result

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The main window's average command: a fresh TFormAverage showing controlGetNumberOfAverage(),
// shown modally; whatever closes it, the box is read and checked against
// controlGetNumberOfAverageMax() (a bad value shows its warning and gives 1), and the count
// goes to `apply` (the action unit's actionSetAverage, which stops the worker around
// controlSetNumberOfAverage). The dialog is deleted before the return.
void runAverageDialog(QWidget* owner, const std::function<void(int count)>& apply);
