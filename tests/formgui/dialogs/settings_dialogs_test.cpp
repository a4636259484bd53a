#include "environment.h"
#include "form_about.h"
#include "form_average.h"
#include "form_math_option.h"
#include "form_up_low.h"
#include "recorded_messages.h"
#include "simulated_kernel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Runs `answer` on the modal dialog of type T as soon as the next modal loop shows it.
template <class T>
void whenDialogShown(std::function<void(T&)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

using SettingsDialogs = RecordedMessagesTest;

TEST_F(SettingsDialogs, AverageCountReachesTheKernel) {
    SimulatedKernel kernel(_HW4, true);
    ASSERT_TRUE(kernel.create()) << get_error_text();
    ASSERT_TRUE(controlSetChannelOnOff(_CH1, true));
    ASSERT_EQ(controlGetNumberOfAverageMax(), 128);
    const std::string notInteger = "Not a vaild Integer value!";
    const std::string tooLarge =
        "Warning! The maximum value is 128 (10K mode) or 16 (500K mode).\nThe value was set to 1.";
    struct Case {
        const char* typed;
        bool closeBox; // closed by the window's close box instead of OK
        int applied;
        std::string message;
    };
    const Case cases[] = {{"16", false, 16, ""},
                          {"abc", false, 1, notInteger},
                          {"200", false, 1, tooLarge},
                          {"64", true, 64, ""},
                          {"0", false, 1, "Warning! The minimum value is 1.\nThe value was set to 1."}};
    for (const Case& c : cases) {
        ASSERT_TRUE(controlSetNumberOfAverage(4));
        messages.clear();
        QString shown;
        whenDialogShown<TFormAverage>([&](TFormAverage& d) {
            shown = d.EditAverage->text();
            d.EditAverage->setText(c.typed);
            if (c.closeBox)
                d.reject();
            else
                d.BtOK->click();
        });
        runAverageDialog(nullptr, [](int n) { controlSetNumberOfAverage(n); });
        EXPECT_EQ(shown, "4");
        EXPECT_EQ(controlGetNumberOfAverage(), c.applied) << c.typed;
        EXPECT_EQ(messages, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    }
}

TEST_F(SettingsDialogs, EnterInTheAverageBoxMovesToOkWithoutClosing) {
    TFormAverage dialog;
    EXPECT_EQ(dialog.windowTitle(), "Average");
    EXPECT_EQ(dialog.BtOK->text(), "OK");
    EXPECT_TRUE(dialog.EditAverageKeyDown(Qt::Key_Return));
    EXPECT_TRUE(dialog.EditAverageKeyDown(Qt::Key_Enter));
    EXPECT_FALSE(dialog.EditAverageKeyDown(Qt::Key_A));
    dialog.show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(dialog.EditAverage, &enter);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(SettingsDialogs, MathOptionPresetsAndAppliesThroughTheFacade) {
    SimulatedKernel kernel(_HW4, true);
    ASSERT_TRUE(kernel.create()) << get_error_text();
    {
        TFormMathOption fresh;
        EXPECT_EQ(fresh.windowTitle(), "Math Option");
        EXPECT_TRUE(fresh.s1_ch1->isChecked());
        EXPECT_TRUE(fresh.s2_ch2->isChecked());
        EXPECT_EQ(fresh.rb_mul->property("Tag").toInt(), 3);
    }
    struct Setting {
        int source1, source2, operation;
    };
    for (const Setting& s : {Setting{2, 1, 3}, Setting{1, 2, 0}, Setting{2, 2, 1}, Setting{1, 1, 2}}) {
        ASSERT_TRUE(controlSetMathSource1(s.source1));
        ASSERT_TRUE(controlSetMathSource2(s.source2));
        ASSERT_TRUE(controlSetMathOperation(s.operation));
        TFormMathOption dialog;
        dialog.presetFromKernel();
        EXPECT_EQ(dialog.s1_ch1->isChecked(), s.source1 == 1);
        EXPECT_EQ(dialog.s1_ch2->isChecked(), s.source1 == 2);
        EXPECT_EQ(dialog.s2_ch1->isChecked(), s.source2 == 1);
        EXPECT_EQ(dialog.s2_ch2->isChecked(), s.source2 == 2);
        const QRadioButton* operators[] = {dialog.rb_add, dialog.rb_sub, dialog.rb_mul, dialog.rb_div};
        for (int op = 0; op < 4; ++op) EXPECT_EQ(operators[op]->isChecked(), op == s.operation);
    }

    // OK applies the buttons; Cancel changes nothing.
    whenDialogShown<TFormMathOption>([](TFormMathOption& d) {
        d.s1_ch2->setChecked(true);
        d.s2_ch1->setChecked(true);
        d.rb_div->setChecked(true);
        d.CancelBtn->click();
    });
    EXPECT_FALSE(runMathOptionDialog(nullptr));
    EXPECT_EQ(controlGetMathSource1(), 1);
    EXPECT_EQ(controlGetMathSource2(), 1);
    EXPECT_EQ(controlGetMathOperation(), 2);
    whenDialogShown<TFormMathOption>([](TFormMathOption& d) {
        d.s1_ch2->setChecked(true);
        d.s2_ch2->setChecked(true);
        d.rb_sub->setChecked(true);
        d.OKBtn->click();
    });
    EXPECT_TRUE(runMathOptionDialog(nullptr));
    EXPECT_EQ(controlGetMathSource1(), 2);
    EXPECT_EQ(controlGetMathSource2(), 2);
    EXPECT_EQ(controlGetMathOperation(), 1);
}

TEST_F(SettingsDialogs, UpperAndLowerLevelsAreClamped) {
    TempDir dir;
    Environment environment(dir.file("environment.ini"));
    struct Case {
        const char* upper;
        const char* lower;
        int storedUpper, storedLower;
        bool message;
    };
    const Case cases[] = {{"150", "-5", 100, 0, false},
                          {"x", "20", 100, 0, true}, // stores nothing
                          {"80", "", 100, 0, true},
                          {"20", "80", 20, 80, false}, // the order is not checked
                          {" 75 ", "25", 75, 25, false}};
    {
        TFormUpLow dialog(environment);
        EXPECT_EQ(dialog.windowTitle(), "Upper Lower");
        EXPECT_EQ(dialog.EdUpper->text(), "90");
        EXPECT_EQ(dialog.EdLower->text(), "10");
    }
    for (const Case& c : cases) {
        messages.clear();
        TFormUpLow dialog(environment);
        dialog.EdUpper->setText(c.upper);
        dialog.EdLower->setText(c.lower);
        dialog.OKBtn->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(environment.UpperLevel, c.storedUpper) << c.upper;
        EXPECT_EQ(environment.LowerLevel, c.storedLower) << c.lower;
        EXPECT_EQ(messages, c.message ? std::vector<std::string>{"Enter a Integer Value"} : std::vector<std::string>{});
    }
    TFormUpLow cancelled(environment);
    cancelled.EdUpper->setText("1");
    cancelled.CancelBtn->click();
    EXPECT_EQ(environment.UpperLevel, 75);
}

TEST_F(SettingsDialogs, AboutWindow) {
    TFormAbout about;
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(about.minimumWidth(), 200);
    for (QLabel* value : {about.lbTotalPhys, about.lbAvailPhys, about.lbTotalVirtual, about.lbAvailVirtual})
        EXPECT_NE(value, nullptr);
    const QStringList captions = {"Total Physical Memory", "Available Physical Memory", "Total Virtual Memory",
                                  "Available Virtual Memory"};
    QStringList shown;
    for (const QLabel* label : about.findChildren<QLabel*>()) shown << label->text();
    for (const QString& caption : captions) EXPECT_TRUE(shown.contains(caption)) << caption.toStdString();
    about.OKBtn->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

} // namespace
