#pragma once
// The time-offset calibration window, "ETS Calibration": searches the ETS offset margin
// (State's d_ETSOffsetMargin) for which an equivalent-time record of the signal on channel 1
// shows no jumps, and sets the middle of the window of good values. Created once by the main
// window and shown modally by its "ETS Calibration" command. The settings it forces stay in
// force afterwards, except channel 1's inversion, which is off only while it searches; the
// margin reaches the state file with the State. GUI thread only.

#include <QDialog>

#include <functional>

class CalibrationHost;
class QLabel;
class QPushButton;
class QSpinBox;

class TFormCalTDCOffset : public QDialog {
    Q_OBJECT
public:
    static constexpr int CYCLES_PER_VALUE = 40;
    static constexpr int FIRST_SAMPLE = 4500; // samples tested: 4500 .. 5499
    static constexpr int TESTED_SAMPLES = 1000;
    static constexpr double JUMP_VOLTS = 0.1;

    // host_ must outlive the window.
    explicit TFormCalTDCOffset(CalibrationHost& host_, QWidget* parent_ = nullptr);

    // The search (worker stopped, both buttons disabled meanwhile).
    void BtnTDCOffsetClick();
    void Btn_exitClick();
    // The up-down control's position into the search range (its controls are hidden, so this
    // happens only when called).
    void UpDownRangeChanging(int position_);
    int searchRange() const { return d_range; }

    // Samples 4500 .. 5499 of a record of `size_` samples: no step between consecutive converter
    // codes larger than 0.1 V (flagged samples reduced, empty ones skipped). A record without a
    // converter code there passes; a missing or shorter record fails.
    static bool isSmooth(const short* record_, int size_, int adcLevels_, const std::function<double(short)>& volts_);

    // The window of passing margins: the first of -range_ .. range_ that passes is low, the first
    // of min(low + 5, range_) down to -range_ that passes is high (0 when none), the margin
    // (low + high) / 2 truncated toward zero.
    struct Search {
        int low = 0;
        int high = 0;
        int margin = 0;
        int tried = 0;
    };
    static Search searchMargin(int range_, const std::function<bool(int)>& passes_);

    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* BtnTDCOffset = nullptr;
    QPushButton* Btn_exit = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lb_range = nullptr;
    QSpinBox* UpDownRange = nullptr;

protected:
    // No close while the search runs (its cycles let the window's events through).
    void closeEvent(QCloseEvent* event_) override;

private:
    // Settings of step 2, in their order, through the action unit.
    void forceSettings();
    // One margin value: set, wait, 40 cycles, then the channel-1 record.
    bool passes(int margin_);

    CalibrationHost& d_host;
    int d_range = 7;
    bool d_running = false;
};
