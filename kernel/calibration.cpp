#include "calibration.h"

#include "codes.h"
#include "hardware.h"
#include "state.h"
#include "trevan_error.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

bool validVoltDiv(int voltDiv) { return voltDiv >= _5MV_DIV && voltDiv <= _10V_DIV; }

int truncateInto(double f, int levels) {
    if (!(f > 0.0)) return 0; // also a NaN
    if (f > levels - 1) return levels - 1;
    return static_cast<int>(f);
}

} // namespace

Calibration::Calibration() = default;

Calibration::~Calibration() = default;

void Calibration::channelSetting(int ch, int& coupling, int& voltDiv) const {
    coupling = _DC;
    voltDiv = _5MV_DIV;
    if (!p_state || (ch != _CH1 && ch != _CH2)) return;
    coupling = p_state->d_channel[ch].channelCoupling;
    voltDiv = p_state->d_channel[ch].voltageDiv;
}

bool Calibration::init(Hardware* hardware_p, const char* path_, bool interleave, int channels) {
    assert(hardware_p && "hardware_p");
    assert(path_ && "path_");
    if (!hardware_p || !path_) return false;
    p_hardware = hardware_p;
    d_path = path_;
    if (!readFromHardware()) return false;
    // Only a complete read: the teardown writes the file from constants that were loaded.
    d_fromHardware = true;
    // The converter of the generation just read; Control sets the same level count later.
    d_adcLevels = HardwareVersion < _HW3 ? 4096 : 1024;
    return buildTables(interleave, channels);
}

bool Calibration::readFromHardware() {
    assert(p_hardware && "p_hardware");
    if (!p_hardware) return false;
    // Everything is read before anything is decoded, so a failed read changes nothing.
    std::array<unsigned char, CALIBRATION_MEMORY_BYTES> image{};
    auto readPages = [&](int first, int last, int line) {
        for (int page = first; page < last; ++page) {
            const int offset = page * CALIBRATION_PAGE_BYTES;
            // A page that did not come is asked once more: one glitch must not end the start-up.
            const auto readPage = [&] {
                return p_hardware->readMemoryBlock(image.data() + offset, CALIBRATION_MEMORY_ADDRESS + offset,
                                                   CALIBRATION_TIME_OUT);
            };
            if (!readPage() && (p_hardware->instrumentGone() || !readPage())) {
                push_error(_ERR_READ_CALIBRATION, "Kernel\\calibration", line);
                return false;
            }
        }
        return true;
    };
    if (!readPages(0, CALIBRATION_PAGES_HW12, 219)) return false;
    const std::size_t length = calibrationMemoryLengthNeeded(image.data());
    if (!readPages(CALIBRATION_PAGES_HW12, static_cast<int>(length) / CALIBRATION_PAGE_BYTES, 267)) return false;
    return unpackCalibrationMemory(*this, image.data(), length);
}

bool Calibration::writeToHardware() {
    assert(p_hardware && "p_hardware");
    if (!p_hardware) return false;
    const std::vector<unsigned char> bytes = packCalibrationMemory(*this);
    for (std::size_t offset = 0; offset < bytes.size(); offset += CALIBRATION_PAGE_BYTES) {
        if (!p_hardware->writeMemoryBlock(bytes.data() + offset, CALIBRATION_MEMORY_ADDRESS + static_cast<int>(offset),
                                          CALIBRATION_PAGE_BYTES, CALIBRATION_TIME_OUT)) {
            push_error(_ERR_WRITE_CALIBRATION, "Kernel\\calibration", 310);
            return false;
        }
    }
    return true;
}

bool Calibration::buildTables(bool interleave, int channels) {
    const int levels = std::clamp(d_adcLevels, 1, ADC_CODES);
    for (int i = 0; i < ADC_CODES; ++i) {
        const bool valid = i < levels;
        d_codeTable1[static_cast<std::size_t>(i)] = valid ? correctCode(1, i, interleave, channels) : EMPTY_SAMPLE;
        d_codeTable2[static_cast<std::size_t>(i)] = valid ? correctCode(2, i, interleave, channels) : EMPTY_SAMPLE;
    }
    return true;
}

std::int16_t Calibration::correctCode(int table, int code, bool interleave, int channels) const {
    static const float IDENTITY[3] = {0.0f, 1.0f, 0.0f};
    const bool wide = HardwareVersion >= _HW3;
    const float* q = IDENTITY;
    int e = 0;
    // Offset of converter 2 of an interleaved channel, per volt/div on _HW3/_HW4.
    auto newOffset = [&](int ch, const int* dc, const int* ac) {
        int coupling = 0, voltDiv = 0;
        channelSetting(ch, coupling, voltDiv);
        if (!validVoltDiv(voltDiv)) return 0;
        return coupling == _AC ? ac[voltDiv] : dc[voltDiv];
    };
    if (!interleave) {
        q = table == 1 ? nonlinearConstCh1 : nonlinearConstCh2;
    } else if (channels == _CH1_ON_CH2_OFF) {
        if (table == 1) {
            q = nonlinearConstADC1Ch1;
        } else {
            q = nonlinearConstADC2Ch1;
            e = wide ? newOffset(_CH1, offsetADC2Ch1New, offsetACADC2Ch1New) : offsetADC2Ch1;
        }
    } else if (channels == _CH1_OFF_CH2_ON) {
        if (table == 1) {
            q = wide ? nonlinearConstADC1Ch2 : nonlinearConstADC2Ch2;
            e = wide ? newOffset(_CH2, offsetADC2Ch2New, offsetACADC2Ch2New) : offsetADC2Ch2;
        } else {
            q = wide ? nonlinearConstADC2Ch2 : nonlinearConstADC1Ch2;
        }
    }
    const double c = static_cast<double>(code) + e;

    if (wide) {
        const double v = (c + 1.0) * 2.0 / 1024.0 + 0.25;
        const double g = q[1] != 0.0f ? q[1] : 1.0;
        const double y = (v - 1.25) / g + 1.25;
        return static_cast<std::int16_t>(truncateInto((y - 0.25) * 1024.0 * 0.5 - 1.0, 1024));
    }

    const int n = std::clamp(d_adcLevels, 1, ADC_CODES);
    const double q0 = q[0], q1 = q[1], q2 = q[2];
    const double r = c * 2.0 / n + 1.5;
    const double d = q1 * q1 - 4.0 * q0 * (q2 - r);
    if (d < 0.0) return 0;
    // A straight line: the code itself, kept inside the converter's codes.
    if (q0 == 0.0) return static_cast<std::int16_t>(std::clamp(static_cast<int>(c), 0, n - 1));
    const double a = (-q1 - std::sqrt(d)) / (2.0 * q0);
    const double b = (-q1 + std::sqrt(d)) / (2.0 * q0);
    double x = 0.0;
    if (a > 0.0 && b < 0.0)
        x = a;
    else if (a < 0.0 && b > 0.0)
        x = b;
    else if (a > 0.0 && b > 0.0)
        x = std::min(a, b);
    else
        return 0;
    return static_cast<std::int16_t>(truncateInto((x - 1.5) * n * 0.5, n));
}

double Calibration::getGain(int ch, int coupling, int voltDiv) const {
    if (ch == _MATH || ch == _REFERENCE) return 1.0;
    if (ch != _CH1 && ch != _CH2) return 0.0;
    if (coupling != _AC && coupling != _DC) return 1.0;
    if (!validVoltDiv(voltDiv)) return 1.0;
    const float* amp = ch == _CH1 ? (coupling == _AC ? ampACCh1 : ampDCCh1) : (coupling == _AC ? ampACCh2 : ampDCCh2);
    return amp[voltDiv];
}

int Calibration::getOffset(int ch, int voltDiv, bool interleave) const {
    if ((ch != _CH1 && ch != _CH2) || !validVoltDiv(voltDiv)) return 0;
    int coupling = 0, unused = 0;
    channelSetting(ch, coupling, unused);
    const bool ac = HardwareVersion >= _HW3 && coupling == _AC;
    const int* table = nullptr;
    if (ch == _CH1)
        table = interleave ? (ac ? offsetACInterleaveCh1 : offsetInterleaveCh1)
                           : (ac ? offsetACNonInterleaveCh1 : offsetNonInterleaveCh1);
    else
        table = interleave ? (ac ? offsetACInterleaveCh2 : offsetInterleaveCh2)
                           : (ac ? offsetACNonInterleaveCh2 : offsetNonInterleaveCh2);
    return table[voltDiv];
}
