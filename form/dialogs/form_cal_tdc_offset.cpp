#include "form_cal_tdc_offset.h"

#include "calibration_host.h"
#include "codes.h"
#include "control_facade.h"
#include "raw_sample.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

// The channel-1 probe on the calibration terminal.
QPixmap probeOnTerminal() {
    QPixmap picture(200, 90);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(200, 200, 200));
    p.drawEllipse(QPointF(35, 45), 22, 22);
    p.drawText(QRectF(5, 70, 60, 18), Qt::AlignCenter, "CH1");
    p.drawRect(QRectF(150, 30, 30, 20)); // the terminal
    p.setPen(QPen(QColor(0, 90, 200), 3));
    p.drawLine(QPointF(57, 45), QPointF(150, 40));
    p.setPen(Qt::black);
    p.drawText(QRectF(120, 55, 80, 18), Qt::AlignCenter, "x1");
    return picture;
}

constexpr const char* kStart = "START";
constexpr const char* kProcessing = "PROCESSING";

} // namespace

TFormCalTDCOffset::TFormCalTDCOffset(CalibrationHost& host, QWidget* parent) : QDialog(parent), d_host(host) {
    setObjectName("FormCalTDCOffset");
    setWindowTitle("ETS Calibration");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);

    Label1 = label(this, "Label1", "Connect channel 1 probe ");
    Label4 = label(this, "Label4", "to the calibration terminal.");
    Label2 = label(this, "Label2", "Set probe attenuation factor to 1:1");
    Image1 = label(this, "Image1", QString());
    Image1->setPixmap(probeOnTerminal());
    BtnTDCOffset = new QPushButton(kStart, this);
    BtnTDCOffset->setObjectName("BtnTDCOffset");
    Btn_exit = new QPushButton("Exit", this);
    Btn_exit->setObjectName("Btn_exit");
    for (QPushButton* b : {BtnTDCOffset, Btn_exit}) b->setAutoDefault(false);
    Label3 = label(this, "Label3", "Set search range");
    lb_range = label(this, "lb_range", QString::number(d_range));
    UpDownRange = new QSpinBox(this);
    UpDownRange->setObjectName("UpDownRange");
    UpDownRange->setRange(3, 10);
    UpDownRange->setValue(d_range);
    for (QWidget* w : std::initializer_list<QWidget*>{Label3, lb_range, UpDownRange}) {
        w->hide();
        w->setEnabled(false);
    }

    auto* range = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{Label3, lb_range, UpDownRange}) range->addWidget(w);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnTDCOffset);
    buttons->addWidget(Btn_exit);
    auto* all = new QVBoxLayout(this);
    all->setSpacing(2);
    for (QLabel* l : {Label1, Label4, Label2}) all->addWidget(l);
    all->addWidget(Image1, 0, Qt::AlignCenter);
    all->addLayout(range);
    all->addLayout(buttons);

    connect(BtnTDCOffset, &QPushButton::clicked, this, [this] { BtnTDCOffsetClick(); });
    connect(Btn_exit, &QPushButton::clicked, this, [this] { Btn_exitClick(); });
    connect(UpDownRange, &QSpinBox::valueChanged, this, [this](int v) { UpDownRangeChanging(v); });
}

void TFormCalTDCOffset::UpDownRangeChanging(int position) {
    d_range = position;
    lb_range->setText(QString::number(d_range));
}

void TFormCalTDCOffset::Btn_exitClick() { close(); }

void TFormCalTDCOffset::forceSettings() {
    d_host.actionSetChannelOnOff(_CH1, true);
    d_host.actionSetChannelOnOff(_CH2, false);
    d_host.actionSetVoltDiv(_CH1, _500MV_DIV);
    d_host.actionSetTimeDiv(_200NS_DIV);
    d_host.actionSetOffset(_CH1, 50.0);
    d_host.actionSetTriggerLevel(_CH1, 200.0);
    d_host.actionSetCoupling(_CH1, _DC);
    d_host.actionSetLineJoin(2);
    d_host.actionSetHighFrequencyReject(false);
    d_host.actionSetBandLimit(_CH1, false);
    d_host.actionSetEts(true);
}

bool TFormCalTDCOffset::isSmooth(const short* record, int size, int adcLevels,
                                 const std::function<double(short)>& volts) {
    if (!record || size < FIRST_SAMPLE + TESTED_SAMPLES) return false;
    bool started = false;
    double previous = 0;
    for (int k = FIRST_SAMPLE; k < FIRST_SAMPLE + TESTED_SAMPLES; ++k) {
        const int code = sampleCodeOf(record[k], adcLevels);
        if (code < 0) continue; // no sample
        const double v = volts(static_cast<short>(code));
        if (started && std::fabs(v - previous) > JUMP_VOLTS) return false;
        started = true;
        previous = v;
    }
    return true;
}

TFormCalTDCOffset::Search TFormCalTDCOffset::searchMargin(int range, const std::function<bool(int)>& passes) {
    Search s;
    const auto tries = [&](int i) {
        ++s.tried;
        return passes(i);
    };
    for (int i = -range; i <= range; ++i) {
        if (tries(i)) {
            s.low = i;
            break;
        }
    }
    for (int i = std::min(s.low + 5, range); i >= -range; --i) {
        if (tries(i)) {
            s.high = i;
            break;
        }
    }
    s.margin = (s.low + s.high) / 2;
    return s;
}

bool TFormCalTDCOffset::passes(int margin) {
    controlSetETSOffsetMargin(margin);
    d_host.sleepFor(std::chrono::milliseconds(100));
    for (int n = 0; n < CYCLES_PER_VALUE; ++n) d_host.acquireAndDisplay();
    // The frames the cycles handed over reach the screen between the values.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return isSmooth(d_host.rawDataCh1(), controlGetBufferSize(), controlGetAdcLevels(),
                    [](short code) { return controlRawToVoltage(_CH1, code); });
}

void TFormCalTDCOffset::closeEvent(QCloseEvent* event) {
    if (d_running)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void TFormCalTDCOffset::BtnTDCOffsetClick() {
    if (d_running) return;
    d_running = true;
    d_host.stopAcquisitionThread();
    BtnTDCOffset->setText(kProcessing);
    BtnTDCOffset->setEnabled(false);
    Btn_exit->setEnabled(false);
    repaint();

    forceSettings();
    // An inverted record is mirrored and flagged by every cycle; the search judges the signal
    // as it comes. The inversion is the user's and comes back afterwards.
    const bool inverted = controlGetInvertOnOff(_CH1);
    controlSetInvertOnOff(_CH1, false);
    const Search s = searchMargin(d_range, [this](int i) { return passes(i); });
    controlSetETSOffsetMargin(s.margin);
    controlSetInvertOnOff(_CH1, inverted);

    BtnTDCOffset->setText(kStart);
    BtnTDCOffset->setEnabled(true);
    Btn_exit->setEnabled(true);
    d_running = false;
    d_host.startAcquisitionThread();
}
