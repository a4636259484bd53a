#pragma once
// A count of the changes to what the display shows, so that a worker with nothing new to draw
// sleeps until the next one instead of drawing the same frame again. Whoever changes what the
// acquisition cycle draws from bumps it after the change: the release of a pause does so for
// everything changed under the pause handshake, the mouse tools for cursors and labels.
//
// Any thread.

#include <chrono>

unsigned displayChangeCount();
void notifyDisplayChange();
// Waits until displayChangeCount() differs from `seen` or `limit` has passed; true on a change.
bool waitForDisplayChange(unsigned seen, std::chrono::microseconds limit);
