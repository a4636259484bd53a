#include "form_full.h"

#include "acquisition_thread.h"
#include "action.h"
#include "codes.h"
#include "control_facade.h"
#include "display_direct_x.h"
#include "environment.h"
#include "indicator_values.h"
#include "surface_image.h"
#include "table_color.h"

#include <QActionGroup>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <functional>

namespace {

constexpr int FULL_DISPLAY_WIDTH = 500;
constexpr int FULL_DISPLAY_HEIGHT = 400;

const std::array<const char*, TFormFull::TIME_ITEMS> TIME_CAPTIONS = {
    "2ns",  "4n",   "10n", "20n", "40n", "100n", "200n", "400n", "1u",   "2u",   "4u",   "10u", "20u", "40u", "100u",
    "200u", "400u", "1m",  "2m",  "4m",  "10m",  "20m",  "40m",  "100m", "200m", "400m", "1s",  "2s",  "4s",  "10s"};

// The picture: painted and pressed through the window's functions.
class PaintBox : public QWidget {
public:
    explicit PaintBox(QWidget* parent) : QWidget(parent) {}
    std::function<void(QWidget*)> paint;
    std::function<void(QMouseEvent*)> press;

protected:
    void paintEvent(QPaintEvent*) override {
        if (paint) paint(this);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (press) press(event);
    }
};

// Radio items of one submenu: checks the item at `index`, or clears the mark when no item has
// that index (a mark on another value would show a setting that is not in force).
template <std::size_t N>
void checkItem(const std::array<QAction*, N>& items, int index) {
    if (index >= 0 && index < static_cast<int>(N)) {
        items[static_cast<std::size_t>(index)]->setChecked(true);
        return;
    }
    for (QAction* a : items) a->setChecked(false);
}

bool knownProbe(int probe) { return probe == 1 || probe == 10 || probe == 100 || probe == 1000; }

} // namespace

TFormFull::TFormFull(Environment& environment, ActionUnit& actions, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), d_environment(environment),
      d_actions(actions) {
    setObjectName("FormFull");
    setWindowState(Qt::WindowMaximized);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    PnlDisplay = new QWidget(this);
    PnlDisplay->setObjectName("PnlDisplay");
    PnlDisplay->setAutoFillBackground(true);
    PnlDisplay->setPalette(QPalette(Qt::black));
    layout->addWidget(PnlDisplay);
    auto* panelLayout = new QVBoxLayout(PnlDisplay);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    auto* box = new PaintBox(PnlDisplay);
    box->setObjectName("PbDisplay");
    box->paint = [this](QWidget* w) { paintPicture(w); };
    box->press = [this](QMouseEvent* e) { PbDisplayMouseDown(e->button(), e->position().toPoint()); };
    panelLayout->addWidget(box);
    PbDisplay = box;

    Popup = new QMenu(this);
    Popup->setObjectName("Popup");
    WindowsMode1 = Popup->addAction("Windows Mode");
    WindowsMode1->setObjectName("WindowsMode1");
    connect(WindowsMode1, &QAction::triggered, this, [this] { WindowsMode1Click(); });
    ShowInformation1 = Popup->addAction("Information ON");
    ShowInformation1->setObjectName("ShowInformation1");
    connect(ShowInformation1, &QAction::triggered, this, [this] { ShowInformation1Click(); });

    auto radioItem = [](QMenu* menu, QActionGroup* group, const QString& caption, const QString& name, int tag) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setCheckable(true);
        a->setData(tag);
        group->addAction(a);
        return a;
    };
    Change1 = Popup->addMenu("Change Time/Div");
    Change1->setObjectName("Change1");
    ActionFullTime = new QActionGroup(this);
    ActionFullTime->setObjectName("ActionFullTime");
    for (int code = 0; code < TIME_ITEMS; ++code) {
        const QString caption = TIME_CAPTIONS[static_cast<std::size_t>(code)];
        timeItems[static_cast<std::size_t>(code)] =
            radioItem(Change1, ActionFullTime, caption, "N" + caption + "1", code);
    }
    connect(ActionFullTime, &QActionGroup::triggered, this,
            [this](QAction* a) { ActionFullTimeExecute(a->data().toInt()); });

    // Items are named after their x1 captions: N10mV1 .. N10V1 and N10mV2 .. N10V2.
    const std::array<const char*, 10>& x1 = voltDivItemTexts(1);
    auto voltMenu = [&](const char* caption, const char* menuName, const char* groupName, const char* suffix,
                        std::array<QAction*, VOLT_ITEMS>& items, QActionGroup*& group) {
        QMenu* menu = Popup->addMenu(caption);
        menu->setObjectName(menuName);
        group = new QActionGroup(this);
        group->setObjectName(groupName);
        for (int i = 0; i < VOLT_ITEMS; ++i) {
            const auto k = static_cast<std::size_t>(i);
            items[k] = radioItem(menu, group, x1[k], QString("N") + x1[k] + suffix, i + 1);
        }
        return menu;
    };
    ChangeChannel1VoltDiv1 = voltMenu("Change Channel1 Volt/Div", "ChangeChannel1VoltDiv1", "ActionFullChannel1Volt",
                                      "1", channel1Items, ActionFullChannel1Volt);
    ChangeChannel2VoltDiv1 = voltMenu("Change Channel2 Volt/Div", "ChangeChannel2VoltDiv1", "ActionFullChannel2Volt",
                                      "2", channel2Items, ActionFullChannel2Volt);
    connect(ActionFullChannel1Volt, &QActionGroup::triggered, this,
            [this](QAction* a) { ActionFullChannel1VoltExecute(a->data().toInt()); });
    connect(ActionFullChannel2Volt, &QActionGroup::triggered, this,
            [this](QAction* a) { ActionFullChannel2VoltExecute(a->data().toInt()); });

    // In GDI mode the main window's renderer draws and the frame is shown as it comes.
    if (controlGetGraphicMode() != TableColor::GDI_MODE) {
        p_display = std::make_unique<DisplayDirectX>(screenModeOf(screen()));
        p_display->init(FULL_DISPLAY_WIDTH, FULL_DISPLAY_HEIGHT);
    }
}

TFormFull::~TFormFull() = default;

void TFormFull::showEvent(QShowEvent* event) {
    d_visible = true;
    QWidget::showEvent(event);
    // Without a window manager nothing else puts a newly mapped window in front or gives it
    // the keyboard, and the main window would hide it.
    raise();
    activateWindow();
}

void TFormFull::hideEvent(QHideEvent* event) {
    d_visible = false;
    QWidget::hideEvent(event);
}

void TFormFull::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFormFull::showFrame(const QImage& frame) {
    d_primary = QImage();
    d_frame = QImage();
    if (p_display) d_primary = p_display->present(frame, PbDisplay->width(), PbDisplay->height());
    // GDI mode, or a frame the renderer cannot take: the paint box stretches it.
    if (d_primary.isNull()) d_frame = frame;
    PbDisplay->update();
}

void TFormFull::paintPicture(QWidget* box) {
    QPainter painter(box);
    if (!d_primary.isNull())
        painter.drawImage(0, 0, d_primary);
    else if (!d_frame.isNull())
        painter.drawImage(box->rect(), d_frame);
    else
        painter.fillRect(box->rect(), Qt::black);
}

void TFormFull::PbDisplayMouseDown(Qt::MouseButton button, QPoint position) {
    if (button != Qt::RightButton) return;
    updateChannelItems(_CH1, ChangeChannel1VoltDiv1, channel1Items);
    updateChannelItems(_CH2, ChangeChannel2VoltDiv1, channel2Items);
    checkItem(timeItems, controlGetTimeDiv());
    ShowInformation1->setText(d_environment.FullInfoOnOff ? "Information ON" : "Information OFF");
    Popup->popup(PbDisplay->mapToGlobal(position));
}

void TFormFull::updateChannelItems(int ch, QMenu* menu, const std::array<QAction*, VOLT_ITEMS>& items) {
    const bool on = controlGetChannelOnOff(ch);
    menu->setEnabled(on);
    if (!on) return;
    checkItem(items, controlGetVoltageDiv(ch) - 1);
    const int probe = controlGetProbeAttenuation(ch);
    if (!knownProbe(probe)) return;
    const std::array<const char*, 10>& captions = voltDivItemTexts(probe);
    for (std::size_t i = 0; i < items.size(); ++i) items[i]->setText(captions[i]);
}

void TFormFull::WindowsMode1Click() { setVisible(!isVisible()); }

void TFormFull::ShowInformation1Click() {
    // The worker reads the switch in its cycle.
    pauseStandardHeld(processGuiEventsExceptInput,
                      [this] { d_environment.FullInfoOnOff = !d_environment.FullInfoOnOff; });
}

void TFormFull::ActionFullChannel1VoltExecute(int tag) { d_actions.actionSetVoltDiv(_CH1, tag); }

void TFormFull::ActionFullChannel2VoltExecute(int tag) { d_actions.actionSetVoltDiv(_CH2, tag); }

void TFormFull::ActionFullTimeExecute(int tag) { d_actions.actionSetTimeDiv(tag); }
