#pragma once
// From a sample record (the Hardware's buffer) to the raw records: owns the
// acquisition-mode object of the current method (State's d_acquisitionMode) and the
// averaging slot counters, which outlive the objects.
//
//   method 1, 2  DataAcquisitionETS      method 4      DataAcquisitionRT
//   method 3     DataAcquisitionRISRT    method 8..10  DataAcquisitionRoll
//
// Other methods have no object: transform then fails. The constructor does not throw; a
// caller that needs an object checks acquisition() (Control treats null as a failed init).

#include "data_acquisition.h"

#include <memory>

class TransformHardwareRaw {
public:
    // All three required; creates the object of the current method.
    TransformHardwareRaw(Hardware* hardware_p, BufferRawData* bufferRawData_p, State* state_p);
    ~TransformHardwareRaw();
    TransformHardwareRaw(const TransformHardwareRaw&) = delete;
    TransformHardwareRaw& operator=(const TransformHardwareRaw&) = delete;

    // Replaces the object with the one of d_acquisitionMode; false when that method has none.
    bool createAcquisition();
    // The current object's acquire(record_, flag_): false when it fails or there is none.
    // flag_ 1 (every caller) corrects real-time codes; the other modes always correct.
    bool transform(SampleRecord record_, int flag_);
    DataAcquisition* acquisition() { return p_dataAcquisition.get(); }

    Hardware* p_hardware;
    BufferRawData* p_bufferRawData;
    State* p_state;
    std::unique_ptr<DataAcquisition> p_dataAcquisition;

private:
    AverageSlotCounters d_counters;
};
