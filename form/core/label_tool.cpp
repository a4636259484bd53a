#include "label_tool.h"

#include "display_change.h"
#include "environment.h"

#include <mutex>

namespace {

constexpr int PIXELS_PER_CHARACTER = 15;
constexpr int LABEL_HEIGHT = 15;

bool isLabel(const Environment& env, int index) { return index >= 0 && index < static_cast<int>(env.labelList.size()); }

// a < v < a + extent, without overflow for labels dragged far away.
bool strictlyInside(int v, int a, int extent) {
    const long long w = v;
    return w > a && w < static_cast<long long>(a) + extent;
}

} // namespace

int labelWidth(const std::string& text) {
    int characters = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++characters; // not a UTF-8 continuation byte
    return PIXELS_PER_CHARACTER * characters;
}

int findLabel(const Environment& env, int x, int y) {
    for (int i = 0; i < static_cast<int>(env.labelList.size()); ++i) {
        const LabelListName& l = env.labelList[static_cast<std::size_t>(i)];
        if (strictlyInside(x, l.x, l.width) && strictlyInside(y, l.y, l.height)) return i;
    }
    return -1;
}

LabelDialogRequest labelPress(Environment& env, int button, int x, int y) {
    env.labelPressPoint = {x, y};
    env.selectedLabel = findLabel(env, x, y);
    const bool onLabel = env.selectedLabel != -1;
    if (button == 0) {
        env.cursorDragging = onLabel;
        return onLabel ? LabelDialogRequest::None : LabelDialogRequest::NewLabel;
    }
    env.cursorDragging = false;
    return onLabel ? LabelDialogRequest::EditLabel : LabelDialogRequest::None;
}

void moveLabel(Environment& env, int index, int x, int y) {
    if (!isLabel(env, index)) return;
    const int dx = x - env.labelPressPoint.x;
    const int dy = y - env.labelPressPoint.y;
    env.labelPressPoint = {x, y};
    std::lock_guard lock(env.toolStateLock);
    LabelListName& l = env.labelList[static_cast<std::size_t>(index)];
    l.x += dx;
    l.y += dy;
    notifyDisplayChange();
}

LabelDialogValues labelDialogValues(const Environment& env, int index) {
    if (!isLabel(env, index)) return {};
    const LabelListName& l = env.labelList[static_cast<std::size_t>(index)];
    return {l.textColor, l.backgroundColor, l.text};
}

bool addLabel(Environment& env, const LabelDialogValues& values) {
    if (static_cast<int>(env.labelList.size()) >= MAX_LABELS) return false;
    LabelListName l;
    l.backgroundColor = values.backgroundColor;
    l.textColor = values.textColor;
    l.x = env.labelPressPoint.x;
    l.y = env.labelPressPoint.y;
    l.width = labelWidth(values.text);
    l.height = LABEL_HEIGHT;
    l.text = values.text;
    std::lock_guard lock(env.toolStateLock);
    env.labelList.push_back(std::move(l));
    notifyDisplayChange();
    return true;
}

bool editLabel(Environment& env, int index, const LabelDialogValues& values) {
    if (!isLabel(env, index)) return false;
    std::lock_guard lock(env.toolStateLock);
    LabelListName& l = env.labelList[static_cast<std::size_t>(index)];
    l.backgroundColor = values.backgroundColor;
    l.textColor = values.textColor;
    l.text = values.text;
    l.width = labelWidth(values.text);
    notifyDisplayChange();
    return true;
}

bool deleteLabel(Environment& env, int index) {
    if (!isLabel(env, index)) return false;
    std::lock_guard lock(env.toolStateLock);
    env.labelList.erase(env.labelList.begin() + index);
    notifyDisplayChange();
    return true;
}

void deleteAllLabels(Environment& env) {
    std::lock_guard lock(env.toolStateLock);
    env.labelList.clear();
    notifyDisplayChange();
}
