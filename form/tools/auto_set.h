#pragma once
// Auto set: for the channels that are on, a volt/div that fits the signal on the screen, a
// trigger level in the middle of the signal and a time/div that shows a few periods.
//
// Run it on the GUI thread with the worker stopped (actionAutoSet): it captures through the
// facade itself and pauses 250 ms after each change of the time base. Meanwhile it lets the GUI's
// events other than user input through, so that its wait window stays painted.
// The period is measured with the measurement window's MEASURE object; without that window no
// period is found and the time base falls back to 100 us/div. Every loop is bounded: three
// volt/div stages, at most 20 capture attempts per measurement (each volt/div measurement and
// each tried time base), seven tried time bases; after a capture that timed out none is tried.
//
// Raw records: empty samples (4096) are skipped and flagged ones (20480 and up) reduced; a
// capture without a valid sample between the skipped ends counts as no capture.

#include <functional>

class WindowRecords;
class MEASURE;
class TFormAutoSetDlg;

class AutoSet {
public:
    // Waits `milliseconds` (the settling pause); the default sleeps, letting the GUI's events
    // other than user input through.
    using Pause = std::function<void(int milliseconds)>;
    // One capture of channel ch into *record (controlAcquire); true when it succeeded.
    using Capture = std::function<bool(int ch, short** record)>;

    static constexpr int SETTLING_PAUSE = 250;   // ms after each change of time/div
    static constexpr int CAPTURE_ATTEMPTS = 20;  // per min/max measurement
    static constexpr int SKIPPED_SAMPLES = 100;  // at each end of a record
    static constexpr int FALLBACK_TIME_DIV = 14; // 100 us/div: no period on any time base
    static constexpr double PERIOD_FACTOR = 0.935;

    // `measure_`: the measurement window's object, null when that window does not exist (not
    // owned). `views_`: where the captured records go (the main window's record pointers) and
    // what the wait window centres on. `capture_`: empty for controlAcquire.
    explicit AutoSet(const MEASURE* measure_, WindowRecords& views_, Pause pause_ = {}, Capture capture_ = {});
    // Puts back what prepare() saved: peak detection (_HW3, _HW4) and both invert flags.
    ~AutoSet();
    AutoSet(const AutoSet&) = delete;
    AutoSet& operator=(const AutoSet&) = delete;

    // True when a channel was set up; false, changing nothing, when neither channel 1 nor 2
    // is on. Shows the wait window meanwhile.
    bool run();

    // The steps of run(), for channel codes 1 and 2.
    void prepare(int ch_);
    void restore();
    bool runOneChannel();
    bool runTwoChannels();
    // Stage n tries the volt/div codes of its range and either chooses one (then sets the
    // trigger level from the signal) or goes on to stage n + 1. A stage whose captures all
    // failed has nothing to judge: it puts the channel's volt/div of before back and stops.
    void searchVoltDivStage1(int ch_);
    void searchVoltDivStage2(int ch_);
    void searchVoltDivStage3(int ch_);
    // Smallest and largest converter code between the skipped ends of the channel's record,
    // from the first of up to 20 capture attempts that holds a valid sample there; false when
    // none did (min_ and max_ are then L and 0). A timed-out capture ends the attempts, and
    // every later measurement of this auto set.
    bool measureMinMax(int ch_, int& min_, int& max_);
    // True when a period was found on one of the tried time bases (then time/div is chosen
    // from it). Without a period: 100 us/div, or the time/div of before when no capture of the
    // search held a valid sample at all.
    bool searchTimeDiv(int ch_);
    // Period in seconds from the channel's display image, 0 for none.
    double measurePeriod(int ch_);
    void chooseTimeDiv(double period_);
    void setTriggerLevel(int ch_, int min_, int max_);

    // Stage n (1..3) judged by the channel's swing t (converter codes x calibration gain,
    // normalised to the 12-bit scale): the chosen volt/div code, or -1 for the next stage.
    static int voltDivForSwing(int stage_, float swing_);
    // The time/div code for a period in seconds: the first code 0..24 whose 2.5 divisions
    // exceed 0.935 x period; FALLBACK_TIME_DIV for a longer period and for one that is not a
    // positive number.
    static int timeDivForPeriod(double period_);
    // Start volt/div code of stage n (1..3) on a hardware generation.
    static int stageStartCode(int hardwareVersion_, int stage_);

private:
    void searchVoltDivStage(int ch_, int stage_);
    void sleep(int milliseconds);
    // Lets the GUI's events other than user input through while the wait window shows.
    void keepWaitWindowPainted();

    // Saved by prepare(), one byte each.
    unsigned char d_peakDetection = 0; // _HW3 and _HW4 only
    unsigned char d_invertCh1 = 0;
    unsigned char d_invertCh2 = 0;
    bool d_prepared = false;
    // What auto set puts back when it cannot judge the signal.
    int d_originalVoltDiv[3] = {0, 0, 0}; // by channel code 1, 2
    int d_originalTimeDiv = 0;
    // A capture timed out: no further capture is tried, and what was not judged stays.
    bool d_instrumentSilent = false;

    const MEASURE* p_measure;
    WindowRecords& d_views;
    Pause d_pause;
    Capture d_capture;
    TFormAutoSetDlg* p_wait = nullptr; // while run() shows it
};
