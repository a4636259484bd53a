#include "okbd_calib_a_dlg.h"

#include "calibration_host.h"
#include "control_facade.h"
#include "dialog_values.h"
#include "message_box.h"
#include "trevan_error.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

namespace {

QLabel* dialogLabel(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

void paintBlue(QLabel* l) { l->setStyleSheet("color: blue;"); }

// The input of one channel with its probe tip clipped to the ground lead.
QPixmap shortedInput(const QString& channel) {
    QPixmap picture(180, 110);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(200, 200, 200));
    p.drawEllipse(QPointF(45, 55), 28, 28); // the connector
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(45, 55), 5, 5);
    p.drawText(QRectF(15, 88, 60, 18), Qt::AlignCenter, channel);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 90, 200), 3));
    p.drawLine(QPointF(50, 55), QPointF(150, 55));  // probe tip
    p.drawLine(QPointF(150, 55), QPointF(150, 25)); // ground lead back to the shell
    p.drawLine(QPointF(150, 25), QPointF(62, 35));
    p.drawText(QRectF(95, 62, 80, 18), Qt::AlignCenter, "short");
    return picture;
}

} // namespace

TokbdCalibADlg::TokbdCalibADlg(CalibrationHost& host, QWidget* parent) : QDialog(parent), d_host(host) {
    setObjectName("okbdCalibADlg");
    setWindowTitle("Zero Calibration");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setModal(false);

    Label1 = dialogLabel(this, "Label1", "It is strongly recommended that zero calibration be ");
    Label3 = dialogLabel(this, "Label3", "performed after 5 minutes of power-up, and you should");
    Label4 = dialogLabel(this, "Label4", "short  CH1/CH2 terminal during the calibration process.");
    Label2 = dialogLabel(this, "Label2", "Zero Calibration - CH1");
    lbOffsetCalibResult = dialogLabel(this, "lbOffsetCalibResult", NOT_YET);
    paintBlue(lbOffsetCalibResult);
    Label7 = dialogLabel(this, "Label7", "Zero Calibration - CH2");
    lbOffsetCalibResult2 = dialogLabel(this, "lbOffsetCalibResult2", NOT_YET);
    imCalib1 = dialogLabel(this, "imCalib1", QString());
    imCalib1->setPixmap(shortedInput("CH1"));
    imCalib2 = dialogLabel(this, "imCalib2", QString());
    imCalib2->setPixmap(shortedInput("CH2"));
    imCalib2->hide();
    lbCalib = dialogLabel(this, "lbCalib", "Prepare Calibration");
    paintBlue(lbCalib);
    pbCalib = new QProgressBar(this);
    pbCalib->setObjectName("pbCalib");
    pbCalib->setRange(0, 100);
    pbCalib->setValue(0);
    BtnCh1Start = new QPushButton("CH1 Start", this);
    BtnCh1Start->setObjectName("BtnCh1Start");
    BtnCh2Start = new QPushButton("CH2 Start", this);
    BtnCh2Start->setObjectName("BtnCh2Start");
    CloseBtn = new QPushButton("Close", this);
    CloseBtn->setObjectName("CloseBtn");
    for (QPushButton* b : {BtnCh1Start, BtnCh2Start, CloseBtn}) b->setAutoDefault(false);

    auto* text = new QVBoxLayout;
    text->setSpacing(0);
    for (QLabel* l : {Label1, Label3, Label4}) text->addWidget(l);
    auto* results = new QGridLayout;
    results->addWidget(Label2, 0, 0);
    results->addWidget(lbOffsetCalibResult, 0, 1);
    results->addWidget(Label7, 1, 0);
    results->addWidget(lbOffsetCalibResult2, 1, 1);
    auto* pictures = new QGridLayout; // both pictures in one place
    pictures->addWidget(imCalib1, 0, 0, Qt::AlignCenter);
    pictures->addWidget(imCalib2, 0, 0, Qt::AlignCenter);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {BtnCh1Start, BtnCh2Start, CloseBtn}) buttons->addWidget(b);
    auto* all = new QVBoxLayout(this);
    all->addLayout(text);
    all->addLayout(pictures);
    all->addLayout(results);
    all->addWidget(lbCalib);
    all->addWidget(pbCalib);
    all->addLayout(buttons);

    connect(BtnCh1Start, &QPushButton::clicked, this, [this] { BtnCh1StartClick(); });
    connect(BtnCh2Start, &QPushButton::clicked, this, [this] { BtnCh2StartClick(); });
    connect(CloseBtn, &QPushButton::clicked, this, [this] { ButtonCancelClick(); });
}

void TokbdCalibADlg::BtnCh1StartClick() { calibrate(1); }
void TokbdCalibADlg::BtnCh2StartClick() { calibrate(2); }

void TokbdCalibADlg::setButtonsEnabled(bool on) {
    for (QPushButton* b : {CloseBtn, BtnCh1Start, BtnCh2Start}) b->setEnabled(on);
}

void TokbdCalibADlg::calibrate(int ch) {
    if (d_running) return;
    d_running = true;
    d_host.stopAcquisitionThread();
    imCalib1->setVisible(ch == 1);
    imCalib2->setVisible(ch != 1);
    setButtonsEnabled(false);
    setCalibrationProgress(0);
    showMessage(ch == 1 ? "Please short CH1 input!" : "Please short CH2 input!", "", MessageButtons::Ok,
                MessageIcon::Information);

    QLabel* result = ch == 1 ? lbOffsetCalibResult : lbOffsetCalibResult2;
    result->setText(PROGRESSING);
    paintBlue(lbCalib);
    setCalibrationStatus("Prepare Calibration");
    const int r = controlZeroCalibration(ch);
    result->setText(r == 1 ? OK_RESULT : FAIL_RESULT);
    repaint();

    // A failed calibration has put the former constants back; saving them again would only
    // risk the stored calibration.
    const char* failed = r == 1 ? nullptr : "Calibration Failed";
    if (r == 1) {
        setCalibrationStatus("Saving Data To Hardware");
        setCalibrationProgress(20);
        // Each store is tried even when the other failed: either one keeps the constants.
        const bool memory = controlWriteCalibrationToHardware();
        const bool file = controlWriteCalibrationFile(nullptr);
        if (!memory || !file) failed = "Saving Failed";
    }
    if (!failed) {
        setCalibrationStatus("Calibration Finished");
        setCalibrationProgress(100);
    } else {
        // The window shows what failed and why, not a step it never finished.
        std::string why = get_error_text();
        if (why.empty())
            why =
                std::string("Error : ") + error_message(r == 1 ? _ERR_WRITE_CALIBRATION : _ERR_ZERO_CALIBRATION) + "\n";
        result->setText(FAIL_RESULT);
        lbCalib->setStyleSheet("color: red;");
        setCalibrationStatus(QString::fromStdString(calibrationFailureStatus(failed, why)));
        setCalibrationProgress(0);
        showMessage(why, "", MessageButtons::Ok, MessageIcon::Error);
    }
    if (ch == 1) {
        imCalib1->hide();
        imCalib2->show();
    }
    setButtonsEnabled(true);
    d_running = false;
    d_host.startAcquisitionThread();
}

void TokbdCalibADlg::ButtonCancelClick() {
    lbOffsetCalibResult->setText(NOT_YET);
    lbOffsetCalibResult2->setText(NOT_YET);
    paintBlue(lbCalib);
    setCalibrationStatus("Prepare Calibration");
    setCalibrationProgress(0);
    hide();
}

void TokbdCalibADlg::setCalibrationStatus(const QString& text) {
    lbCalib->setText(text);
    repaint();
}

void TokbdCalibADlg::setCalibrationProgress(int position) {
    pbCalib->setValue(position);
    repaint();
}

void TokbdCalibADlg::closeEvent(QCloseEvent* event) {
    if (d_running) {
        event->ignore();
        return;
    }
    ButtonCancelClick();
    event->accept();
}

void TokbdCalibADlg::reject() {
    if (!d_running) ButtonCancelClick();
}
