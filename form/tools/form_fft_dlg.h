#pragma once
// The spectrum window "FFT": the magnitude spectrum of channel 1 or 2 in a 500 x 400 plot with
// grid, axis labels, harmonic markers and a cursor, the harmonic and noise figures below it,
// and exports of the spectrum as text, spreadsheet, BMP and JPEG.
//
// Threads: UpdateSpectrum runs on the worker thread. It copies the settings, computes the
// spectrum, the figures and the plot image there, and hands the result to the GUI thread by a
// queued call; updates that pile up before the GUI thread runs are shown once, the newest.
// It never touches a widget. The handlers run on the GUI thread and change the settings under
// a lock; the next update uses them. Everything else runs on the GUI thread.

#include "coalesced_call.h"
#include "cycle_view.h"
#include "spectrum_analyzer.h"
#include "spectrum_settings.h"
#include "tool_window_kernel.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;
class QToolButton;
class SpectrumPaintBox;

// What the spreadsheet export reads: N, the linear/dB switch and both magnitude arrays.
struct SpectrumRecordCopy {
    int size = 0; // N; the arrays hold N/2 bins (empty before the first update)
    bool linear = false;
    std::vector<float> lin; // RMS volts
    std::vector<float> dB;
};

// The texts of the exported picture besides the plot.
struct SpectrumExportTexts {
    bool linear = false;
    std::array<std::string, 3> levels;      // lav0, lav4, lav8
    std::array<std::string, 6> frequencies; // la0 .. la5
    int channel = 0;                        // fftChannel
    unsigned short window = 0;
    int size = 512;                       // N
    std::string cursor;                   // la_cursor
    std::array<std::string, 6> harmonics; // la_1st .. la_6th
    std::string snr, enob, sinad, thd, sfdr, totalPower;
};

class TFormFFTDlg : public QWidget, public SpectrumView {
    Q_OBJECT
public:
    // kernel_ must outlive the window; the channel buttons are set from it here.
    explicit TFormFFTDlg(const ToolWindowKernel& kernel_, QWidget* parent_ = nullptr);
    ~TFormFFTDlg() override;

    // ---- the cycle's side (any thread) ----
    // One update from the raw record of channel_ 0 (channel 1) or 1 (channel 2), rawData_[0 ..
    // count_-1] (the cycle passes 10000). Nothing without a record.
    void UpdateSpectrum(int channel_, int count_, const short* rawData_);
    // The acquisition cycle's interface: 0 channel 1, 1 channel 2 (the record the cycle hands
    // over); the window is shown; one cycle's record.
    int fftChannel() const override { return d_fftChannel.load(); }
    bool visibleToCycle() const override { return d_shown.load(); }
    void updateSpectrum(int channel_, int length_, const short* record_) override {
        UpdateSpectrum(channel_, length_, record_);
    }

    // ---- GUI thread ----
    // The newest spectrum (also one still on its way to the screen).
    SpectrumRecordCopy spectrumRecord() const;
    // A copy of the current settings.
    SpectrumSettings settings() const;
    // The plot as last shown, 501 x 401.
    const QImage& plotImage() const { return d_plot; }
    // Closing the window runs this instead (the main window's FFT toggle, which hides it).
    void setCloseHandler(std::function<void()> handler_) { d_closeHandler = std::move(handler_); }
    // Replaces the spreadsheet export of saveasexcelClick (export_fft_to_excel); tests set it.
    void setExcelExporter(std::function<void(TFormFFTDlg&)> exporter_) { d_excelExporter = std::move(exporter_); }

    // Handlers.
    void rbFFTWindowTypeClick(int tag_);
    void rbFFTCh1Click();
    void rbFFTCh2Click();
    // The main window switched a channel (0 or 1) on or off: only channels that are on are
    // offered, and the spectrum moves off one that went off.
    void channelSwitched(int channel_, bool on_);
    void winsizeClick(int tag_);
    void rbFFTdBClick();
    void rbFFTLinearClick();
    void ebVGridScaleKeyDown(); // the Enter key
    void udFFTOutGridChangingEx(bool up_);
    void sc_verChange(int position_);
    void udFFTFreqScaleClick(bool up_);
    void bn_cursorClick();
    void display_fftMouseDown(int x_, int y_);
    void display_fftMouseMove(int x_, int y_);
    void display_fftMouseUp(int x_, int y_);
    void saveastextClick();
    void saveasexcelClick();
    void saveasbmpClick();
    void saveasjpgClick();

    // The plot image of a frame: white, the trace in blue, grid, harmonic markers, cursor.
    static QImage DrawSpectrumImage(const SpectrumFrame& frame_);
    // The 600 x 700 export picture: the plot at (60, 40) and the texts around it.
    static QImage ComposeExportBitmap(const QImage& plot_, const SpectrumExportTexts& texts_);
    // The export texts as the window shows them now.
    SpectrumExportTexts exportTexts() const;

protected:
    void closeEvent(QCloseEvent* event_) override;
    void showEvent(QShowEvent* event_) override;
    void hideEvent(QHideEvent* event_) override;

private:
    struct Pending {
        std::shared_ptr<const SpectrumFrame> frame;
        QImage plot;
    };

    QWidget* buildLeftPanel();
    QWidget* buildPlotPanel();
    QWidget* buildToolBar();
    QWidget* buildLowerPanel();
    void enableChannelButtons(bool select_);
    // Applies a handler's change under the settings lock; returns the settings after it.
    SpectrumSettings changeSettings(const std::function<void(SpectrumSettings&)>& change_);
    // Sets the scale edit, unit labels and scroll bars from the settings (signals blocked).
    void showVerticalScale(const SpectrumSettings& settings_);
    void showHorizontalScale(const SpectrumSettings& settings_);
    void applyPendingFrame();
    // The newest frame, or null before the first update.
    std::shared_ptr<const SpectrumFrame> latestFrame() const;
    void savePicture(bool jpeg_);

    const ToolWindowKernel* p_kernel; // not owned

    // Locks, never nested: d_settingsLock guards d_settings; d_computeLock guards d_analyzer;
    // d_frameLock guards d_pending.
    mutable std::mutex d_settingsLock;
    SpectrumSettings d_settings;
    std::mutex d_computeLock;
    SpectrumAnalyzer d_analyzer;
    mutable std::mutex d_frameLock;
    Pending d_pending;
    CoalescedCall d_repaint; // applyPendingFrame on the GUI thread

    std::atomic<int> d_fftChannel{0};
    std::atomic<bool> d_shown{false};
    bool d_cursorDragging = false;

    // GUI thread only.
    std::shared_ptr<const SpectrumFrame> d_frame; // the frame on the screen
    QImage d_plot;
    std::function<void()> d_closeHandler;
    std::function<void(TFormFFTDlg&)> d_excelExporter;

    QRadioButton* rbFFTCh1 = nullptr;
    QRadioButton* rbFFTCh2 = nullptr;
    std::array<QRadioButton*, 4> rbWindow{};
    std::array<QRadioButton*, 5> rbSize{};
    QRadioButton* rbFFTdB = nullptr;
    QRadioButton* rbFFTLinear = nullptr;
    QLineEdit* ebVGridScale = nullptr;
    QLabel* lbVGridUnit = nullptr;
    QLineEdit* edFFTfreScale = nullptr;
    SpectrumPaintBox* display_fft = nullptr;
    QScrollBar* sc_hor = nullptr;
    QScrollBar* sc_ver = nullptr;
    std::array<QLabel*, 6> la{};  // la0 .. la5
    std::array<QLabel*, 9> lav{}; // lav0 .. lav8
    QLabel* la_unit = nullptr;
    QToolButton* bn_cursor = nullptr;
    QLabel* la_cursor = nullptr;
    std::array<QLabel*, 6> la_harmonic{}; // la_1st .. la_6th
    QLabel* la_THD = nullptr;
    QLabel* la_SNR = nullptr;
    QLabel* la_ENOB = nullptr;
    QLabel* la_SINAD = nullptr;
    QLabel* la_SFDR = nullptr;
    QLabel* la_TotalPower = nullptr;
};
