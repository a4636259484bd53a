// Sample records as the bulk read hands them over: status words, sample words and their
// decoding into the raw records, under each acquisition method.
#include "capture.h"
#include "fake_hardware.h"
#include "fuzz_input.h"
#include "sample_setups.h"
#include "transform_hardware_raw.h"

#include <memory>
#include <vector>

namespace {

// A scope configured as the setters would, read through a stand-in that hands over the
// fuzz input as the record.
struct Rig {
    explicit Rig(const sim_scope::ScopeSetup& setup) : scope(setup) {
        hw.init(setup.hw, static_cast<unsigned>(scope.s.d_bufferSizeHardware));
        hw.d_readLength = scope.hardware->d_readLength;
        transform = std::make_unique<TransformHardwareRaw>(&hw, &scope.raw, &scope.s);
        capture = std::make_unique<Capture>(&hw, &scope.s, &scope.raw, transform.get());
        capture->setRegisterBlock(scope.reg.getWriteBlock());
    }
    sim_scope::Scope scope;
    FakeHardware hw;
    std::unique_ptr<TransformHardwareRaw> transform;
    std::unique_ptr<Capture> capture;
};

std::vector<std::unique_ptr<Rig>>& rigs() {
    static std::vector<std::unique_ptr<Rig>> all = [] {
        std::vector<std::unique_ptr<Rig>> r;
        for (const sim_scope::ScopeSetup& setup : sampleSetups()) r.push_back(std::make_unique<Rig>(setup));
        dropErrors();
        return r;
    }();
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    Rig& rig = *rigs()[data[0] % rigs().size()];
    rig.hw.sampleData.assign(data + 1, data + size);
    rig.hw.calls.clear();
    State& s = rig.scope.s;
    const int sel = s.areBothChannelsOn() ? 0 : s.isChannelOn(_CH2) ? _CH2 : _CH1;
    short* out1 = nullptr;
    short* out2 = nullptr;
    rig.capture->acquire(sel, &out1, &out2);
    dropErrors();
    return 0;
}
