#include "calibration_support.h"

#include "message_box.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QWidget>

#include <memory>

namespace {

TEST(CalibrationSupport, ProgressAndStatusReachTheRegisteredControls) {
    auto window = std::make_unique<QWidget>();
    auto* bar = new QProgressBar(window.get());
    auto* label = new QLabel(window.get());
    bar->setRange(0, 100);
    setCalibrationControls(bar, label);
    setCalibrationProgress(40);
    setCalibrationStatus("Channel 1 : 5mV/Div");
    EXPECT_EQ(bar->value(), 40);
    EXPECT_EQ(label->text(), "Channel 1 : 5mV/Div");

    window.reset(); // the controls go with their window
    setCalibrationProgress(60);
    setCalibrationStatus("ignored");
    setCalibrationControls(nullptr, nullptr);
}

TEST(CalibrationSupport, InformationBoxHasOnlyOk) {
    MessageRequest seen;
    setMessageBoxHandler([&](const MessageRequest& r) {
        seen = r;
        return MessageResult::Ok;
    });
    showInformationMessage("Calibration finished");
    setMessageBoxHandler({});
    EXPECT_EQ(seen.text, "Calibration finished");
    EXPECT_EQ(seen.buttons, MessageButtons::Ok);
    EXPECT_EQ(seen.icon, MessageIcon::Information);
}

} // namespace
