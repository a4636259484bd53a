#pragma once
// The measurement window "Measurement": up to ten picked measurements of Ch1, Ch2 and Math,
// refreshed by the acquisition cycle and saved as a CSV file.
//
// Threads: UpdateMeasurements and RefreshMeasureLabels may run on the worker thread. They
// never touch a widget: the model is guarded by one lock, and the label texts they make reach
// the labels by a queued call on the GUI thread; refreshes that pile up before the GUI thread
// runs are applied once, with the newest texts. Everything else runs on the GUI thread.

#include "coalesced_call.h"
#include "cycle_view.h"
#include "measure_set.h"
#include "tool_window_kernel.h"

#include <QWidget>

#include <array>
#include <atomic>
#include <mutex>
#include <string>

class Environment;
class QLabel;
class QPushButton;

class TFormMeasure : public QWidget, public MeasurementView {
    Q_OBJECT
public:
    // kernel_ must outlive the window. environment_ gives the reference levels UpperLevel and
    // LowerLevel (changed only under the pause handshake, as the cycle reads them); without
    // one the levels are 90 and 10.
    explicit TFormMeasure(const ToolWindowKernel& kernel_, const Environment* environment_ = nullptr,
                          QWidget* parent_ = nullptr);
    ~TFormMeasure() override;

    // ---- the cycle's side (any thread) ----
    // One display cycle with the display images of channel 1, channel 2, math and reference
    // (the last is not used): measures one source on three of nine cycles (every source with
    // an item not measured yet, and all of them when redrawn_, MeasureSet), then refreshes the
    // labels. Always true.
    bool UpdateMeasurements(const unsigned char* ch1_, const unsigned char* ch2_, const unsigned char* math_,
                            const unsigned char* ref_, bool redrawn_ = false);
    // Rewrites the ten labels from the items and results (at once on the GUI thread, by a
    // queued call from any other).
    void RefreshMeasureLabels();
    // The acquisition cycle's interface: the window is shown; one cycle's images.
    bool visibleToCycle() const override { return d_shown.load(); }
    void updateMeasurements(const unsigned char* ch1_, const unsigned char* ch2_, const unsigned char* math_,
                            const unsigned char* ref_, bool redrawn_) override {
        UpdateMeasurements(ch1_, ch2_, math_, ref_, redrawn_);
    }

    // ---- GUI thread ----
    // source_ 1 Ch1, 2 Ch2, 3 Math; slot_ 0..22. An eleventh item is ignored. The labels
    // follow at once, and a stopped display is drawn again so that the new item is measured.
    void AddMeasureItem(int source_, int slot_);
    void MarkEnabledMeasurements();
    void DeleteMeasureItem(int index_);
    void DeleteLastMeasureItem();
    void DeleteAllMeasureItems();
    int itemCount() const;
    // Writes the CSV file (through a temporary file); on failure shows "File open error: "
    // with the reason and returns false.
    bool SaveMeasurementsCsv(const std::string& fileName_);
    // Caption of label index_ (0..9), as the screen-image output copies it.
    QString labelText(int index_) const;
    // The library object, for the auto set's period measurement. Keeps nothing between calls.
    const MEASURE& measureObject() const { return d_measure; }

    // Handlers of the buttons and labels.
    void btDeleteItemClick();
    void btDeleteAllClick();
    void BtSaveClick();
    void lbMeasureClick(int tag_);

protected:
    bool eventFilter(QObject* watched_, QEvent* event_) override;
    void showEvent(QShowEvent* event_) override;
    void hideEvent(QHideEvent* event_) override;

private:
    void applyPendingLabels();

    const ToolWindowKernel* p_kernel; // not owned
    const Environment* p_environment;
    MEASURE d_measure;

    // d_lock guards d_set and d_pendingLines. No other lock is taken while it is held (the
    // kernel facade holds none).
    mutable std::mutex d_lock;
    MeasureSet d_set;
    std::array<MeasureLine, kMeasureLines> d_pendingLines;
    CoalescedCall d_refresh; // applyPendingLabels on the GUI thread
    std::atomic<bool> d_shown{false};

    std::array<QLabel*, kMeasureLines> lbMeasure{};
    QPushButton* btDeleteItem = nullptr;
    QPushButton* btDeleteAll = nullptr;
    QPushButton* BtSave = nullptr;
};
