#include "form_label.h"

#include "environment.h"
#include "labels.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

namespace {

class FormLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        setLabelColorChooser([this](int current, QWidget*) -> std::optional<int> {
            offered.push_back(current);
            if (chosen.empty()) return std::nullopt;
            const int c = chosen.front();
            chosen.erase(chosen.begin());
            return c;
        });
    }
    void TearDown() override { setLabelColorChooser(nullptr); }

    void type(const QString& text) {
        dialog.ebLabelText->setText(text);
        emit dialog.ebLabelText->returnPressed();
    }

    Environment env{"/nonexistent/environment.ini"};
    TFormLabel dialog{env};
    std::vector<int> chosen;  // answers of the colour dialog, in order; none left: cancelled
    std::vector<int> offered; // the colours it was opened with
};

TEST_F(FormLabelTest, NewLabelTakesTheDialogsValuesAtThePressedPoint) {
    EXPECT_EQ(dialog.size(), QSize(119, 143));
    labelMouseDown(env, dialog, 0, 100, 80);
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.btnLabelDialogClose->text(), "Close");
    EXPECT_TRUE(dialog.ebLabelText->text().isEmpty());

    chosen = {0x00FFFF, 0xFF0000}; // yellow text on blue
    dialog.pnlTxtColor->click();
    dialog.pnlBkColor->click();
    dialog.pnlBkColor->click(); // cancelled: stays blue
    EXPECT_EQ(offered, (std::vector<int>{0xFFFFFF, 0x000000, 0xFF0000}));
    type("Hello");
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(env.labelList.size(), 1u);
    const LabelListName& l = env.labelList[0];
    EXPECT_EQ(l.text, "Hello");
    EXPECT_EQ(l.x, 100);
    EXPECT_EQ(l.y, 80);
    EXPECT_EQ(l.width, 75);
    EXPECT_EQ(l.textColor, 0x00FFFF);
    EXPECT_EQ(l.backgroundColor, 0xFF0000);
}

TEST_F(FormLabelTest, RightClickEditsCloseAppliesAndNewLabelCloseAddsNothing) {
    labelMouseDown(env, dialog, 0, 100, 80);
    type("abc");
    labelMouseDown(env, dialog, 1, 110, 85);
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.btnLabelDialogClose->text(), "Edit");
    EXPECT_EQ(dialog.ebLabelText->text(), "abc");
    dialog.ebLabelText->setText("abcdef");
    dialog.btnLabelDialogClose->click();
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(env.labelList.size(), 1u);
    EXPECT_EQ(env.labelList[0].text, "abcdef");
    EXPECT_EQ(env.labelList[0].width, 90);
    EXPECT_EQ(env.labelList[0].x, 100);

    labelMouseDown(env, dialog, 0, 300, 300);
    EXPECT_TRUE(dialog.ebLabelText->text().isEmpty()); // the dialog starts empty again
    dialog.ebLabelText->setText("never added");
    dialog.btnLabelDialogClose->click();
    EXPECT_EQ(env.labelList.size(), 1u);

    labelMouseDown(env, dialog, 1, 300, 300); // right on empty space: no dialog
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(FormLabelTest, DeleteRemovesTheLabelAtThePressOrKeepsTheDialogOpen) {
    labelMouseDown(env, dialog, 0, 100, 80);
    type("one");
    labelMouseDown(env, dialog, 0, 200, 80);
    type("two");
    labelMouseDown(env, dialog, 1, 210, 85);
    dialog.btnLabelDelete->click();
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(env.labelList.size(), 1u);
    EXPECT_EQ(env.labelList[0].text, "one");

    labelMouseDown(env, dialog, 0, 300, 300); // new label dialog: nothing under the press
    dialog.btnLabelDelete->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(env.labelList.size(), 1u);
}

} // namespace
