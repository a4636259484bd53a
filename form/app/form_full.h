#pragma once
// The full-screen window: the oscilloscope picture over the whole screen, with a popup menu on
// the right mouse button for the time/div, the volt/div of channels 1 and 2, the information
// text and the return to the normal window. Created once at start-up and hidden or shown, never
// re-created; the main window's Full Screen command shows it (showFullScreen()).
//
// While it is visible the acquisition cycle draws its frames for this window (cycle_view.h):
// in the fast graphic modes the window's own renderer stretches each frame into its primary
// surface, which the paint box shows; in GDI mode (no renderer of its own) the paint box
// stretches the frame itself.
//
// GUI thread, except visibleToCycle (any thread). The popup's commands go through the main
// window's action unit (action.h), which takes the pause handshake.

#include "cycle_view.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <atomic>
#include <memory>

class ActionUnit;
class DisplayDirectX;
class Environment;
class QActionGroup;
class QAction;
class QMenu;

class TFormFull : public QWidget, public FullScreenView {
    Q_OBJECT
public:
    // Time/div items of the popup: codes 0..29.
    static constexpr int TIME_ITEMS = 30;
    // Volt/div items of each channel: codes 1..10.
    static constexpr int VOLT_ITEMS = 10;

    // `environment`: the main window's options (FullInfoOnOff); `actions`: the main window's
    // action unit, which the popup's commands go through; both outlive the window. Unless
    // the registry's graphic mode is 2 (GDI), the window gets its own fast renderer for the
    // screen it is on, initialised for 500 x 400.
    TFormFull(Environment& environment, ActionUnit& actions, QWidget* parent = nullptr);
    ~TFormFull() override;

    // FullScreenView
    bool visibleToCycle() const override { return d_visible.load(); }
    void showFrame(const QImage& frame) override;

    // Mouse press on the picture: only the right button opens the popup (at `position`, in
    // PbDisplay's coordinates), after bringing its items up to date with the kernel.
    void PbDisplayMouseDown(Qt::MouseButton button, QPoint position);
    // "Windows Mode": inverts the window's visibility (from the popup: hides it).
    void WindowsMode1Click();
    // Inverts Environment::FullInfoOnOff.
    void ShowInformation1Click();
    // The clicked item's tag: volt/div code of channel 1 or 2, or time/div code.
    void ActionFullChannel1VoltExecute(int tag);
    void ActionFullChannel2VoltExecute(int tag);
    void ActionFullTimeExecute(int tag);

    // The own renderer; null in GDI mode.
    DisplayDirectX* display() const { return p_display.get(); }

    QWidget* PnlDisplay;
    QWidget* PbDisplay;
    QMenu* Popup;
    QAction* WindowsMode1;
    QAction* ShowInformation1;
    QMenu* Change1;
    QMenu* ChangeChannel1VoltDiv1;
    QMenu* ChangeChannel2VoltDiv1;
    std::array<QAction*, TIME_ITEMS> timeItems{};     // N2ns1 .. N10s1, tags 0..29
    std::array<QAction*, VOLT_ITEMS> channel1Items{}; // N10mV1 .. N10V1, tags 1..10
    std::array<QAction*, VOLT_ITEMS> channel2Items{}; // N10mV2 .. N10V2, tags 1..10
    // The action list: one group per submenu (radio items, at most one checked).
    QActionGroup* ActionFullChannel1Volt;
    QActionGroup* ActionFullChannel2Volt;
    QActionGroup* ActionFullTime;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Escape returns to the normal window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Enables a channel's submenu and checks its code's item while the channel is on, with
    // the captions of its probe factor.
    void updateChannelItems(int ch, QMenu* menu, const std::array<QAction*, VOLT_ITEMS>& items);
    void paintPicture(QWidget* box);

    Environment& d_environment;
    ActionUnit& d_actions;
    std::unique_ptr<DisplayDirectX> p_display;
    std::atomic<bool> d_visible{false};
    QImage d_frame;   // the frame last handed over (GDI mode)
    QImage d_primary; // the own renderer's primary as last presented
};
