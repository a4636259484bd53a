#include "cycle_status.h"

#include "codes.h"

#include <climits>

namespace {

const char* untriggeredText(int triggerMode) {
    switch (triggerMode) {
    case _NORMAL: return "Trig?";
    case _AUTO: return "Auto";
    default: return nullptr;
    }
}

} // namespace

bool CycleStatus::set(const char* text) {
    if (text == nullptr || d_text == text) return false;
    d_text = text;
    return true;
}

bool CycleStatus::force(const char* text) {
    d_waitCount = 0;
    return set(text);
}

bool CycleStatus::update(const Inputs& in) {
    if (in.instrumentGone && (in.runState == _RUN || in.runState == _SINGLE)) {
        d_waitCount = 0;
        return set("Unplugged");
    }
    if (in.deviceTimedOut && (in.runState == _RUN || in.runState == _SINGLE)) {
        d_waitCount = 0;
        return set("Time-out");
    }
    if (in.statusCopiesDiffer && (in.runState == _RUN || in.runState == _SINGLE)) {
        d_waitCount = 0;
        return set("Status error");
    }
    switch (in.runState) {
    case _SINGLE: return set("Ready");
    case _STOP: return set("Stop");
    case _RUN: break;
    default: return false;
    }

    const char* text = nullptr;
    if (in.timedOut) {
        if (d_waitCount < INT_MAX) ++d_waitCount;
        if (in.triggered)
            text = "Trig'd";
        else if (d_waitCount >= TIMEOUTS_BEFORE_CHANGE)
            text = untriggeredText(in.triggerMode);
    } else {
        d_waitCount = 0;
        text = in.triggered ? "Trig'd" : untriggeredText(in.triggerMode);
    }
    if (in.roll) text = "Auto";
    return set(text);
}
