#pragma once
// The caption of the status panel after each cycle, and the count of consecutive running
// cycles whose capture timed out waiting for a trigger. A time-out changes the text only
// from the 20th consecutive one on, so a slow trigger does not make the caption flicker. An
// instrument that stops answering is no trigger matter: "Time-out" shows at once; one whose
// captures keep being dropped for differing status copies shows "Status error", one that has
// left the bus "Unplugged".

#include <string>

class CycleStatus {
public:
    static constexpr int TIMEOUTS_BEFORE_CHANGE = 20;

    struct Inputs {
        int runState = 0;                // _SINGLE, _RUN, _STOP as read at the start of the cycle
        bool timedOut = false;           // triggerTimeoutFlag after the capture
        bool triggered = false;          // controlGetTriggeredFlag()
        int triggerMode = 0;             // _AUTO or _NORMAL
        bool roll = false;               // controlIsRoll()
        bool deviceTimedOut = false;     // this cycle's capture failed: the instrument stopped answering
        bool statusCopiesDiffer = false; // captures keep being dropped for differing status copies
        bool instrumentGone = false;     // the instrument has left the bus
    };

    // Applies one cycle. Returns true when the text changed; text() then holds the new one.
    bool update(const Inputs& in);
    // A text of its own for this cycle ("Reconnected"); true when it changed.
    bool force(const char* text);

    // "" until the first cycle sets it.
    const std::string& text() const { return d_text; }
    int waitCount() const { return d_waitCount; }

private:
    bool set(const char* text);

    std::string d_text;
    int d_waitCount = 0;
};
