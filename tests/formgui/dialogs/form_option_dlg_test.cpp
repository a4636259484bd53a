#include "form_option_dlg.h"

#include "drawn_text.h"

#include "table_color.h"
#include "thread_flags.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>

#include <functional>

namespace {

QRgb gdi(int colour) { return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, colour >> 16); }

// The options the dialog edits.
void expectSameOptions(const Environment& a, const Environment& b) {
    EXPECT_EQ(a.BackgroundInvert, b.BackgroundInvert);
    EXPECT_EQ(a.SetupInformationInclude, b.SetupInformationInclude);
    EXPECT_EQ(a.DateInclude, b.DateInclude);
    EXPECT_EQ(a.BoundaryOnOff, b.BoundaryOnOff);
    EXPECT_EQ(a.CrossOnOff, b.CrossOnOff);
    EXPECT_EQ(a.GridOnOff, b.GridOnOff);
    EXPECT_EQ(a.GridOriginColor, b.GridOriginColor);
    EXPECT_EQ(a.ColorGrayMode, b.ColorGrayMode);
    EXPECT_EQ(a.ColorStartPos, b.ColorStartPos);
    EXPECT_EQ(a.ColorOnOffCh1, b.ColorOnOffCh1);
    EXPECT_EQ(a.ColorOnOffCh2, b.ColorOnOffCh2);
    EXPECT_EQ(a.TitleOnOff, b.TitleOnOff);
    EXPECT_EQ(a.Title, b.Title);
}

// Fields the dialog never touches, stored or not.
void expectSameOtherFields(const Environment& a, const Environment& b) {
    EXPECT_EQ(a.selectedObject, b.selectedObject);
    EXPECT_EQ(a.UpperLevel, b.UpperLevel);
    EXPECT_EQ(a.LowerLevel, b.LowerLevel);
    EXPECT_EQ(a.FullInfoOnOff, b.FullInfoOnOff);
    EXPECT_EQ(a.savedTriggerMode, b.savedTriggerMode);
    EXPECT_EQ(a.printerCaps.pageWidth, b.printerCaps.pageWidth);
    for (int i = 0; i < NUMBER_OF_TOOLBARS; ++i) {
        EXPECT_EQ(a.toolBarLayout[i].Visible, b.toolBarLayout[i].Visible);
        EXPECT_EQ(a.toolBarLayout[i].Left, b.toolBarLayout[i].Left);
    }
    EXPECT_EQ(a.labelList.size(), b.labelList.size());
    EXPECT_EQ(a.environmentPath, b.environmentPath);
}

void setTo(Environment& e, bool flip) {
    e.BackgroundInvert = flip;
    e.SetupInformationInclude = !flip;
    e.DateInclude = flip;
    e.BoundaryOnOff = !flip;
    e.CrossOnOff = flip;
    e.GridOnOff = !flip;
    e.GridOriginColor = flip ? 0x123456 : 0x654321;
    e.ColorGrayMode = !flip;
    e.ColorStartPos = flip ? 10 : 170;
    e.ColorOnOffCh1 = flip;
    e.ColorOnOffCh2 = !flip;
    e.TitleOnOff = flip;
    e.Title = std::string(flip ? "A" : "B");
}

class OptionDialogTest : public ::testing::Test {
protected:
    OptionDialogTest() : env("/nonexistent/environment.ini"), before("/nonexistent/environment.ini") {
        setTo(env, false);
        setTo(before, false);
        env.UpperLevel = before.UpperLevel = 77;
        env.toolBarLayout[2].Visible = before.toolBarLayout[2].Visible = false;
    }
    ~OptionDialogTest() override { setColorDialogFunction(nullptr); }

    // Answers the modal dialog that runOptionDialog shows.
    static void answer(const std::function<void(TFormOptionDlg&)>& act) {
        QTimer::singleShot(0, [act] {
            auto* dialog = qobject_cast<TFormOptionDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(*dialog);
        });
    }

    static TableColor builtFrom(const Environment& e) {
        TableColor t;
        for (int type = 1; type <= 4; ++type) t.build(type, TableColor::GDI_MODE, 0, 53, false);
        t.build(1, TableColor::GDI_MODE, 0, e.ColorStartPos, e.ColorOnOffCh1);
        t.build(2, TableColor::GDI_MODE, 0, e.ColorStartPos, e.ColorOnOffCh2);
        return t;
    }
    static void expectSameTable(const TableColor& a, const TableColor& b) {
        for (int type = 1; type <= 4; ++type)
            for (int level = 0; level < 128; ++level) {
                ASSERT_EQ(a.get(type, level), b.get(type, level)) << type << "/" << level;
                ASSERT_EQ(a.getExportColor(type, level), b.getExportColor(type, level)) << type << "/" << level;
            }
    }

    Environment env;
    Environment before;
};

TEST_F(OptionDialogTest, ControlsStartFromTheOptions) {
    for (bool flip : {false, true}) {
        setTo(env, flip);
        TFormOptionDlg d(nullptr, env);
        EXPECT_EQ(d.windowTitle(), "Option");
        EXPECT_EQ(d.size(), QSize(442, 312));
        EXPECT_EQ(d.c_invert->isChecked(), env.BackgroundInvert);
        EXPECT_EQ(d.c_info->isChecked(), env.SetupInformationInclude);
        EXPECT_EQ(d.c_date->isChecked(), env.DateInclude);
        EXPECT_EQ(d.c_boundary_on->isChecked(), env.BoundaryOnOff);
        EXPECT_EQ(d.c_cross_on->isChecked(), env.CrossOnOff);
        EXPECT_EQ(d.c_grid_on->isChecked(), env.GridOnOff);
        EXPECT_EQ(d.gridColour(), env.GridOriginColor);
        EXPECT_EQ(d.b_color->isChecked(), env.ColorGrayMode);
        EXPECT_EQ(d.b_bw->isChecked(), !env.ColorGrayMode);
        EXPECT_EQ(d.ct_track->value(), env.ColorStartPos);
        EXPECT_EQ(d.cb_ct_ch1->isChecked(), env.ColorOnOffCh1);
        EXPECT_EQ(d.cb_ct_ch2->isChecked(), env.ColorOnOffCh2);
        EXPECT_EQ(d.c_title->isChecked(), env.TitleOnOff);
        EXPECT_EQ(d.e_title->text().toStdString(), env.Title);
    }
    TFormOptionDlg d(nullptr, env);
    EXPECT_EQ(d.c_title->text(), "Title On");
    // The caption is drawn as it reads, the '&' not taken for a mnemonic.
    QStyleOptionButton option;
    option.initFrom(d.b_bw);
    option.text = d.b_bw->text();
    const QRect caption = d.b_bw->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, d.b_bw);
    EXPECT_NEAR(inkWidth(d.b_bw->grab().toImage(), caption), plainTextInkWidth(d.b_bw->font(), "Black & White"), 1);
    EXPECT_EQ(d.c_info->text(), "Include Setup Information");
    EXPECT_EQ(d.c_invert->text(), "Invert Background");
    EXPECT_EQ(d.cb_ct_ch1->text(), "CH1 ");
    EXPECT_EQ(d.Label1->text(), "Low Density");
    EXPECT_EQ(d.Label2->text(), "High Density");
    EXPECT_EQ(d.ct_track->minimum(), 0);
    EXPECT_EQ(d.ct_track->maximum(), 180);
    EXPECT_EQ(d.Sp_GridColor->size(), QSize(89, 21));
}

// A title pasted from three lines is taken as one: written raw it would add sections and keys
// to the environment file.
TEST_F(OptionDialogTest, TitlePastedFromSeveralLinesBecomesOneLine) {
    TFormOptionDlg d(nullptr, env);
    d.e_title->clear();
    QApplication::clipboard()->setText("My scope\r\n[Measurement]\nInjected=1");
    d.e_title->paste();
    EXPECT_EQ(d.e_title->text().toStdString(), "My scope [Measurement] Injected=1");
}

TEST_F(OptionDialogTest, CancelLeavesEveryOptionAndRebuildsTheTablesUnchanged) {
    TableColor table = builtFrom(env);
    table.set(1, 5, 0x777777); // whatever the table held is rebuilt from the options
    answer([](TFormOptionDlg& d) {
        d.c_invert->setChecked(true);
        d.e_title->setText("changed");
        d.ct_track->setValue(3);
        d.CancelBtn->click();
    });
    EXPECT_FALSE(runOptionDialog(nullptr, env, &table, TableColor::GDI_MODE, 0));
    expectSameOptions(env, before);
    expectSameOtherFields(env, before);
    expectSameTable(table, builtFrom(before));
    EXPECT_EQ(pauseRequestFlag, 0);
}

TEST_F(OptionDialogTest, OkAppliesExactlyTheDialogsOptions) {
    TableColor table = builtFrom(env);
    setColorDialogFunction([](QWidget*, int) { return std::optional<int>(0x123456); });
    int applied = 0;
    int pauseWhileApplied = -1;
    answer([](TFormOptionDlg& d) {
        d.c_invert->setChecked(true);
        d.c_info->setChecked(false);
        d.c_date->setChecked(true);
        d.c_boundary_on->setChecked(false);
        d.c_cross_on->setChecked(true);
        d.c_grid_on->setChecked(false);
        d.Sp_GridColorMouseDown();
        d.b_bw->setChecked(true);
        d.ct_track->setValue(10);
        d.cb_ct_ch1->setChecked(true);
        d.cb_ct_ch2->setChecked(false);
        d.c_title->setChecked(true);
        d.e_title->setText("A");
        d.OKBtn->click();
    });
    EXPECT_TRUE(runOptionDialog(nullptr, env, &table, TableColor::GDI_MODE, 0, [&] {
        ++applied;
        pauseWhileApplied = pauseRequestFlag;
    }));
    Environment expected("/nonexistent/environment.ini");
    setTo(expected, true);
    expectSameOptions(env, expected);
    expectSameOtherFields(env, before);
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(pauseWhileApplied, 1);
    expectSameTable(table, builtFrom(expected));
}

TEST_F(OptionDialogTest, ColourDialogCancelKeepsTheGridColour) {
    TFormOptionDlg d(nullptr, env);
    int asked = -1;
    setColorDialogFunction([&](QWidget*, int current) {
        asked = current;
        return std::optional<int>();
    });
    d.Sp_GridColorMouseDown();
    EXPECT_EQ(asked, env.GridOriginColor);
    EXPECT_EQ(d.gridColour(), env.GridOriginColor);
    Environment out("/nonexistent/environment.ini");
    d.applyTo(out);
    EXPECT_EQ(out.GridOriginColor, env.GridOriginColor);
}

TEST_F(OptionDialogTest, StripShowsTheHuesFromTheStartPosition) {
    env.ColorStartPos = 53;
    env.ColorOnOffCh1 = env.ColorOnOffCh2 = false; // the strip shows the hues whatever these say
    TFormOptionDlg d(nullptr, env);
    auto expectStrip = [&](int position) {
        const QImage& strip = d.stripImage();
        ASSERT_EQ(strip.size(), QSize(255, 25));
        for (int x = 0; x < 255; ++x) {
            const QRgb want =
                gdi(TableColor::hueColor(TableColor::trackEntry(position, x / 2), TableColor::GDI_MODE, 0));
            ASSERT_EQ(strip.pixel(x, 0), want) << "position " << position << " column " << x;
            ASSERT_EQ(strip.pixel(x, 24), want);
        }
    };
    expectStrip(53);
    d.ct_track->setValue(54); // the strip of 54 at once
    expectStrip(54);
    d.ct_track->setValue(180);
    const QImage at180 = d.stripImage();
    d.ct_track->setValue(0);
    EXPECT_EQ(d.stripImage(), at180);
    // Level 0 at the left is entry 0 (hue 179); each level is two columns wide.
    EXPECT_EQ(d.stripImage().pixel(0, 0), d.stripImage().pixel(1, 0));
    EXPECT_NE(d.stripImage().pixel(1, 0), d.stripImage().pixel(2, 0));
}

} // namespace
