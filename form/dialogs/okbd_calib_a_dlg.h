#pragma once
// The zero-calibration window, "Zero Calibration": runs the zero calibration of channel 1 or 2
// (controlZeroCalibration) with the worker thread stopped and, when it succeeded, saves the
// constants to the instrument's memory and to the calibration file. A calibration or a save
// that fails leaves "Fail, Retry!", the failure and its reason in the status line, progress 0,
// and the kernel's reasons in a message box. Created once by the main
// window and shown again, not modally, by every calibration command. Stays on top; no
// title-bar buttons. GUI thread only.

#include <QDialog>

class CalibrationHost;
class QLabel;
class QProgressBar;
class QPushButton;

class TokbdCalibADlg : public QDialog {
    Q_OBJECT
public:
    // Texts of the result labels (the blanks are part of them).
    static constexpr const char* NOT_YET = "Not Yet";
    static constexpr const char* PROGRESSING = "Progressing...";
    static constexpr const char* OK_RESULT = "OK            ";
    static constexpr const char* FAIL_RESULT = "Fail, Retry!     ";

    // host_ must outlive the window.
    explicit TokbdCalibADlg(CalibrationHost& host_, QWidget* parent_ = nullptr);

    void BtnCh1StartClick();
    void BtnCh2StartClick();
    // The Close button: initial texts, progress 0, hidden.
    void ButtonCancelClick();

    // Status text and progress bar (the main window's setCalibrationStatus and
    // setCalibrationProgress), each followed by a repaint.
    void setCalibrationStatus(const QString& text_);
    void setCalibrationProgress(int position_);

    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lbOffsetCalibResult = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* lbOffsetCalibResult2 = nullptr;
    QLabel* imCalib1 = nullptr;
    QLabel* imCalib2 = nullptr;
    QLabel* lbCalib = nullptr;
    QProgressBar* pbCalib = nullptr;
    QPushButton* BtnCh1Start = nullptr;
    QPushButton* BtnCh2Start = nullptr;
    QPushButton* CloseBtn = nullptr;

protected:
    // A close by the system hides the window like the Close button; ignored while
    // a calibration runs.
    void closeEvent(QCloseEvent* event_) override;
    void reject() override;

private:
    void calibrate(int ch_);
    void setButtonsEnabled(bool on_);

    CalibrationHost& d_host;
    bool d_running = false;
};
