#include "label_tool.h"

#include "environment.h"

#include <gtest/gtest.h>

namespace {

class LabelToolTest : public ::testing::Test {
protected:
    // A label of `text` with its top-left corner at (x, y).
    void add(int x, int y, const std::string& text) {
        env.labelPressPoint = {x, y};
        ASSERT_TRUE(addLabel(env, {0xFFFFFF, 0x000000, text}));
    }

    Environment env{"/nonexistent/environment.ini"};
};

TEST_F(LabelToolTest, HitTestIsStrictlyInsideTheFirstLabel) {
    add(100, 50, "abc"); // 45 x 15
    add(130, 60, "overlapping");
    add(300, 300, ""); // width 0
    EXPECT_EQ(env.labelList[0].width, 45);
    EXPECT_EQ(env.labelList[0].height, 15);

    struct Case {
        int x;
        int y;
        int index;
    };
    const Case cases[] = {
        {100, 55, -1}, {101, 55, 0},   {144, 55, 0},   {145, 55, -1}, {145, 62, 1}, // left, right edges
        {120, 50, -1}, {120, 51, 0},   {120, 64, 0},   {120, 65, -1},               // top and bottom edges
        {140, 62, 0},                                                               // both: the older one
        {150, 70, 1},  {300, 300, -1}, {301, 301, -1},                              // the empty label never hits
    };
    for (const Case& c : cases) EXPECT_EQ(findLabel(env, c.x, c.y), c.index) << c.x << ", " << c.y;
}

TEST_F(LabelToolTest, WidthCountsCharactersNotBytes) {
    EXPECT_EQ(labelWidth(""), 0);
    EXPECT_EQ(labelWidth("abc"), 45);
    EXPECT_EQ(labelWidth("\xC3\xA4"
                         "b\xE2\x82\xAC"),
              45); // a-umlaut, b, euro sign
}

TEST_F(LabelToolTest, PressDecidesBetweenDragAndDialog) {
    add(100, 50, "abc");
    struct Case {
        int button;
        int x;
        int y;
        LabelDialogRequest request;
        int selected;
        bool dragging;
    };
    const Case cases[] = {
        {0, 110, 55, LabelDialogRequest::None, 0, true},       {0, 10, 10, LabelDialogRequest::NewLabel, -1, false},
        {1, 110, 55, LabelDialogRequest::EditLabel, 0, false}, {1, 10, 10, LabelDialogRequest::None, -1, false},
        {2, 110, 55, LabelDialogRequest::EditLabel, 0, false},
    };
    for (const Case& c : cases) {
        env.cursorDragging = !c.dragging;
        EXPECT_EQ(labelPress(env, c.button, c.x, c.y), c.request) << c.button << " at " << c.x;
        EXPECT_EQ(env.selectedLabel, c.selected);
        EXPECT_EQ(env.cursorDragging, c.dragging);
        EXPECT_EQ(env.labelPressPoint.x, c.x);
        EXPECT_EQ(env.labelPressPoint.y, c.y);
    }
}

TEST_F(LabelToolTest, DragMovesByTheWayFromTheLastStepAndMayLeaveTheDisplay) {
    add(100, 50, "abc");
    add(100, 50, "xyz");
    labelPress(env, 0, 110, 55); // the older label
    moveLabel(env, env.selectedLabel, 120, 45);
    moveLabel(env, env.selectedLabel, 720, 45);
    EXPECT_EQ(env.labelList[0].x, 710);
    EXPECT_EQ(env.labelList[0].y, 40);
    EXPECT_EQ(env.labelList[1].x, 100);
    EXPECT_EQ(env.labelList.size(), 2u);
    // No label, or an index that names none: nothing moves.
    for (int index : {-1, 2}) {
        moveLabel(env, index, 0, 0);
        EXPECT_EQ(env.labelList[0].x, 710);
        EXPECT_EQ(env.labelList[1].x, 100);
    }
}

TEST_F(LabelToolTest, AddStopsAtTwelveEditKeepsThePlaceDeleteRemoves) {
    for (int i = 0; i < MAX_LABELS; ++i) add(10 * i, 20, std::string("l").append(std::to_string(i)));
    env.labelPressPoint = {400, 300};
    EXPECT_FALSE(addLabel(env, {0xFFFFFF, 0, "thirteenth"}));
    EXPECT_EQ(env.labelList.size(), std::size_t(MAX_LABELS));

    EXPECT_TRUE(editLabel(env, 3, {0x0000FF, 0x00FF00, "edited"}));
    const LabelListName& l = env.labelList[3];
    EXPECT_EQ(l.text, "edited");
    EXPECT_EQ(l.width, 90);
    EXPECT_EQ(l.textColor, 0x0000FF);
    EXPECT_EQ(l.backgroundColor, 0x00FF00);
    EXPECT_EQ(l.x, 30);
    EXPECT_EQ(l.y, 20);
    const LabelDialogValues v = labelDialogValues(env, 3);
    EXPECT_EQ(v.text, "edited");
    EXPECT_EQ(v.textColor, 0x0000FF);
    EXPECT_EQ(v.backgroundColor, 0x00FF00);
    EXPECT_EQ(labelDialogValues(env, -1).textColor, 0xFFFFFF);
    EXPECT_EQ(labelDialogValues(env, -1).backgroundColor, 0x000000);

    EXPECT_FALSE(editLabel(env, MAX_LABELS, {}));
    EXPECT_FALSE(deleteLabel(env, -1));
    EXPECT_TRUE(deleteLabel(env, 0));
    EXPECT_EQ(env.labelList.size(), std::size_t(MAX_LABELS - 1));
    EXPECT_EQ(env.labelList[0].text, "l1");
    deleteAllLabels(env);
    EXPECT_TRUE(env.labelList.empty());
}

} // namespace
