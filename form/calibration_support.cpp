#include "calibration_support.h"

#include "message_box.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>

namespace {

QPointer<QProgressBar> g_progress;
QPointer<QLabel> g_status;

void repaintWindowOf(QWidget* w) {
    if (QWidget* window = w->window()) window->repaint();
}

} // namespace

void showInformationMessage(const std::string& text) {
    showMessage(text, "", MessageButtons::Ok, MessageIcon::Information);
}

void setCalibrationControls(QProgressBar* progress, QLabel* status) {
    g_progress = progress;
    g_status = status;
}

void setCalibrationProgress(int position) {
    if (!g_progress) return;
    g_progress->setValue(position);
    repaintWindowOf(g_progress);
}

void setCalibrationStatus(const std::string& text) {
    if (!g_status) return;
    g_status->setText(QString::fromStdString(text));
    repaintWindowOf(g_status);
}
