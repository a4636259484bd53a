#include "cycle_facade_seam.h"

#include "buffer_raw_data.h"
#include "control.h"

bool controlGetStoppedData(int ch, short** out) {
    *out = g_control->p_bufferRawData->data(ch);
    return *out != nullptr;
}

bool controlFillGroundLevel(int) { return true; }
bool controlInvertChannel(int) { return true; }
bool controlUpdateReference() { return true; }
bool controlUpdateMath() { return true; }
