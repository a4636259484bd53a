#include "form_full.h"

#include "action_fixture.h"
#include "control_facade.h"
#include "display_direct_x.h"
#include "environment.h"
#include "qt_observers.h"
#include "surface_image.h"

#include <gtest/gtest.h>

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QPixmap>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> captions(const std::array<QAction*, TFormFull::VOLT_ITEMS>& items) {
    std::vector<std::string> out;
    for (QAction* a : items) out.push_back(a->text().toStdString());
    return out;
}

template <std::size_t N>
int checkedIndex(const std::array<QAction*, N>& items) {
    for (std::size_t i = 0; i < N; ++i)
        if (items[i]->isChecked()) return static_cast<int>(i);
    return -1;
}

class FormFullTest : public ActionTest {
protected:
    void TearDown() override {
        form.reset();
        ActionTest::TearDown();
    }
    void makeForm() {
        form = std::make_unique<TFormFull>(environment, actions);
        form->resize(800, 600);
    }
    void rightClick() {
        form->PbDisplayMouseDown(Qt::RightButton, {10, 10});
        form->Popup->hide();
    }

    Environment environment{std::string()};
    std::unique_ptr<TFormFull> form;
};

const std::vector<std::string> X1 = {"10mV", "20mV", "50mV", "100mV", "200mV", "500mV", "1V", "2V", "5V", "10V"};
const std::vector<std::string> X100 = {"1V", "2V", "5V", "10V", "20V", "50V", "100V", "200V", "500V", "1kV"};

TEST_F(FormFullTest, PopupFollowsTheKernelOnTheRightButtonOnly) {
    ASSERT_TRUE(controlSetChannelOnOff(_CH1, true));
    ASSERT_TRUE(controlSetChannelOnOff(_CH2, false));
    ASSERT_TRUE(controlSetProbeAttenuation(_CH1, 100));
    ASSERT_TRUE(controlSetVoltageDiv(_CH1, 3));
    ASSERT_TRUE(controlSetTimeDiv(12));
    environment.FullInfoOnOff = false;
    makeForm();
    EXPECT_EQ(form->Popup->actions().size(), 5);
    EXPECT_EQ(form->timeItems[1]->objectName(), "N4n1");
    EXPECT_EQ(form->timeItems[29]->objectName(), "N10s1");
    EXPECT_EQ(form->channel2Items[0]->objectName(), "N10mV2");

    form->PbDisplayMouseDown(Qt::LeftButton, {10, 10});
    EXPECT_FALSE(form->Popup->isVisible());
    EXPECT_EQ(captions(form->channel1Items), X1);
    EXPECT_EQ(checkedIndex(form->timeItems), -1);
    EXPECT_EQ(form->ShowInformation1->text(), "Information ON");

    form->PbDisplayMouseDown(Qt::RightButton, {10, 10});
    EXPECT_TRUE(form->Popup->isVisible());
    form->Popup->hide();
    EXPECT_TRUE(form->ChangeChannel1VoltDiv1->isEnabled());
    EXPECT_EQ(captions(form->channel1Items), X100);
    EXPECT_EQ(checkedIndex(form->channel1Items), 2);
    EXPECT_FALSE(form->ChangeChannel2VoltDiv1->isEnabled());
    EXPECT_EQ(checkedIndex(form->channel2Items), -1);
    EXPECT_EQ(checkedIndex(form->timeItems), 12);
    EXPECT_EQ(form->ShowInformation1->text(), "Information OFF");

    // Channel 2 on with a x10 probe; a volt/div code the popup does not offer marks nothing.
    ASSERT_TRUE(controlSetChannelOnOff(_CH2, true));
    ASSERT_TRUE(controlSetProbeAttenuation(_CH2, 10));
    ASSERT_TRUE(controlSetVoltageDiv(_CH2, 0));
    ASSERT_TRUE(controlSetVoltageDiv(_CH1, 10));
    environment.FullInfoOnOff = true;
    rightClick();
    EXPECT_TRUE(form->ChangeChannel2VoltDiv1->isEnabled());
    EXPECT_EQ(form->channel2Items[0]->text(), "100mV");
    EXPECT_EQ(checkedIndex(form->channel2Items), -1);
    EXPECT_EQ(checkedIndex(form->channel1Items), 9);
    EXPECT_EQ(form->ShowInformation1->text(), "Information ON");

    // A channel switched off keeps its captions and marks; only its submenu is disabled.
    ASSERT_TRUE(controlSetChannelOnOff(_CH1, false));
    ASSERT_TRUE(controlSetTimeDiv(30));
    rightClick();
    EXPECT_FALSE(form->ChangeChannel1VoltDiv1->isEnabled());
    EXPECT_EQ(captions(form->channel1Items), X100);
    EXPECT_EQ(checkedIndex(form->channel1Items), 9);
    EXPECT_EQ(checkedIndex(form->timeItems), -1);
}

TEST_F(FormFullTest, ItemsSetTheirCodesThroughTheActions) {
    ASSERT_TRUE(controlSetChannelOnOff(_CH1, true));
    ASSERT_TRUE(controlSetChannelOnOff(_CH2, true));
    ASSERT_TRUE(controlSetProbeAttenuation(_CH1, 100));
    makeForm();
    rightClick();
    ASSERT_EQ(form->channel1Items[3]->text(), "10V");
    form->channel1Items[3]->trigger();
    EXPECT_EQ(controlGetVoltageDiv(_CH1), 4);
    form->channel2Items[9]->trigger();
    EXPECT_EQ(controlGetVoltageDiv(_CH2), 10);
    EXPECT_EQ(controlGetVoltageDiv(_CH1), 4);
    form->timeItems[20]->trigger();
    EXPECT_EQ(controlGetTimeDiv(), 20);
    form->timeItems[0]->trigger();
    EXPECT_EQ(controlGetTimeDiv(), 0);
}

TEST_F(FormFullTest, InformationSwitchAndWindowsMode) {
    makeForm();
    form->show();
    EXPECT_TRUE(form->visibleToCycle());
    environment.FullInfoOnOff = true;
    form->ShowInformation1->trigger();
    EXPECT_FALSE(environment.FullInfoOnOff);
    form->ShowInformation1->trigger();
    EXPECT_TRUE(environment.FullInfoOnOff);
    form->WindowsMode1->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->visibleToCycle());
}

TEST_F(FormFullTest, FramesFillThePicture) {
    makeForm();
    form->show();
    ASSERT_NE(form->display(), nullptr); // the registry's graphic mode 0
    const SurfaceFormat format = form->display()->surfaceFormat();
    // A frame in the renderer's format goes through its primary; another one is stretched by
    // the paint box.
    const QImage::Format formats[] = {qImageFormat(format),
                                      format == _SURFACE_16BIT_555 ? QImage::Format_RGB32 : QImage::Format_RGB555};
    for (QImage::Format f : formats) {
        QImage frame(501, 401, f);
        frame.fill(Qt::blue);
        frame.setPixel(500, 400, qRgb(255, 0, 0));
        form->showFrame(frame);
        const QImage shown = form->PbDisplay->grab().toImage();
        ASSERT_EQ(shown.size(), form->PbDisplay->size());
        EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 255)) << f;
        EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 2), qRgb(0, 0, 255)) << f;
        EXPECT_EQ(shown.pixel(shown.width() - 1, shown.height() - 1), qRgb(255, 0, 0)) << f;
    }
    const SoftwareSurface* primary = form->display()->primary();
    EXPECT_EQ(primary->width(), form->PbDisplay->width());
    EXPECT_EQ(primary->height(), form->PbDisplay->height());
}

} // namespace

namespace {

// Shown over another window that has the focus, the full-screen window asks to come to the
// front and to take the keyboard: without a window manager nobody else does. (The offscreen
// platform cannot stack windows; it answers each request to raise one with a warning.)
TEST_F(FormFullTest, ShownRaisedAndActive) {
    makeForm();
    QWidget main;
    main.resize(300, 200);
    for (bool again : {false, true}) {
        main.show();
        main.activateWindow();
        QCoreApplication::processEvents();
        ASSERT_TRUE(main.isActiveWindow());
        const QtMessages messages;
        if (again)
            form->show();
        else
            form->showFullScreen();
        QCoreApplication::processEvents();
        EXPECT_TRUE(form->isActiveWindow()) << again;
        const std::vector<std::string> texts = messages.texts();
        EXPECT_EQ(std::count(texts.begin(), texts.end(), "This plugin does not support raise()"), 1) << again;
        form->hide();
    }
}

} // namespace
