// The calibration file: an INI file of ten sections whose keys carry the constants' names;
// an indexed key is its prefix followed by the decimal index (ampACCh13).

#include "calibration.h"

#include "codes.h"
#include "ini_file.h"
#include "trevan_error.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace {

enum class Kind { Factor, Integer, EtsFactor };

struct Field {
    const char* section;
    const char* prefix;
    Kind kind;
    float* factors; // Kind::Factor
    int* integers;  // the other kinds
    int count;      // 1: a key without index
    double def;
    bool together; // written index by index together with its neighbours marked so
};

// Every key of the file, in the order in which a file is written.
std::vector<Field> fileFields(Calibration& c) {
    auto f = [](const char* s, const char* p, float* a, int n, double def = 1.0) {
        return Field{s, p, Kind::Factor, a, nullptr, n, def, false};
    };
    auto i = [](const char* s, const char* p, int* a, int n, double def = 1.0, bool together = false) {
        return Field{s, p, Kind::Integer, nullptr, a, n, def, together};
    };
    auto e = [](const char* p, int* a, double def) {
        return Field{"ETS", p, Kind::EtsFactor, nullptr, a, 1, def, false};
    };
    return {
        f("Amplitude", "ampACCh1", c.ampACCh1, 11),
        f("Amplitude", "ampDCCh1", c.ampDCCh1, 11),
        f("Amplitude", "ampACCh2", c.ampACCh2, 11),
        f("Amplitude", "ampDCCh2", c.ampDCCh2, 11),
        i("Trigger", "triggerCh1", c.triggerCh1, 11),
        i("Trigger", "triggerCh2", c.triggerCh2, 11),
        i("Offset", "offsetNonInterleaveCh1", c.offsetNonInterleaveCh1, 11),
        i("Offset", "offsetNonInterleaveCh2", c.offsetNonInterleaveCh2, 11),
        i("Offset", "offsetInterleaveCh1", c.offsetInterleaveCh1, 11),
        i("Offset", "offsetInterleaveCh2", c.offsetInterleaveCh2, 11),
        i("Offset", "offsetACNonInterleaveCh1", c.offsetACNonInterleaveCh1, 11),
        i("Offset", "offsetACNonInterleaveCh2", c.offsetACNonInterleaveCh2, 11),
        i("Offset", "offsetACInterleaveCh1", c.offsetACInterleaveCh1, 11),
        i("Offset", "offsetACInterleaveCh2", c.offsetACInterleaveCh2, 11),
        i("Offset", "oldOffsetCh1", &c.oldOffsetCh1, 1),
        i("Offset", "oldOffsetCh2", &c.oldOffsetCh2, 1),
        i("PPP", "pppRealTime1Ch", c.pppRealTime1Ch, 33),
        i("PPP", "pppRealTime2Ch", c.pppRealTime2Ch, 33),
        i("PPP", "pppETS1Ch", c.pppETS1Ch, 33),
        i("PPP", "pppETS2Ch", c.pppETS2Ch, 33),
        e("ETSMin", &c.ETSMin, 0.0),
        e("ETSMax", &c.ETSMax, 127.0),
        e("ETSOffset", &c.ETSOffset, 0.0),
        e("ETSHistogramSize", &c.ETSHistogramSize, 128.0),
        i("ETS", "ETSHistogram", c.ETSHistogram, 128),
        i("ID", "HardwareVersion", &c.HardwareVersion, 1, 4.0),
        f("Nonlinear", "nonlinearConstCh1", c.nonlinearConstCh1, 3),
        f("Nonlinear", "nonlinearConstCh2", c.nonlinearConstCh2, 3),
        f("Interleave", "nonlinearConstADC1Ch1", c.nonlinearConstADC1Ch1, 3),
        f("Interleave", "nonlinearConstADC2Ch1", c.nonlinearConstADC2Ch1, 3),
        f("Interleave", "nonlinearConstADC1Ch2", c.nonlinearConstADC1Ch2, 3),
        f("Interleave", "nonlinearConstADC2Ch2", c.nonlinearConstADC2Ch2, 3),
        i("Interleave", "offsetADC2Ch1", &c.offsetADC2Ch1, 1),
        i("Interleave", "offsetADC2Ch2", &c.offsetADC2Ch2, 1),
        i("Interleave", "offsetACADC2Ch1", &c.offsetACADC2Ch1, 1),
        i("Interleave", "offsetACADC2Ch2", &c.offsetACADC2Ch2, 1),
        i("HW3", "offsetTriggerHighFrequency", &c.offsetTriggerHighFrequency, 1, 0.0),
        i("HW4", "chipTemperatureCalib", &c.chipTemperatureCalib, 1, 0.0),
        i("HW4", "newHardwareVersion", &c.newHardwareVersion, 1, 0.0),
        i("Interleave", "offsetADC2Ch1New", c.offsetADC2Ch1New, 11, 1.0, true),
        i("Interleave", "offsetADC2Ch2New", c.offsetADC2Ch2New, 11, 1.0, true),
        i("Interleave", "offsetACADC2Ch1New", c.offsetACADC2Ch1New, 11, 1.0, true),
        i("Interleave", "offsetACADC2Ch2New", c.offsetACADC2Ch2New, 11, 1.0, true),
    };
}

// The key's name in a buffer of its own: a file's thousand keys are looked up one by one.
class KeyOf {
public:
    KeyOf(const Field& f, int index) {
        const std::size_t n = std::strlen(f.prefix);
        std::memcpy(d_text, f.prefix, n);
        char* end = d_text + n;
        if (f.count != 1) end = std::to_chars(end, std::end(d_text), index).ptr;
        d_size = static_cast<std::size_t>(end - d_text);
    }
    operator std::string_view() const { return {d_text, d_size}; }

private:
    char d_text[48];
    std::size_t d_size;
};

// A factor as decimal text of the value widened to double, general format, 15 digits,
// whatever the locale.
std::string factorText(double v) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

// Reads one value into the field; false when the key holds no number of its kind. A key
// that is missing or left blank takes its default.
bool readValue(const IniFile& ini, const Field& f, int index) {
    const KeyOf key(f, index);
    double factor = f.def;
    int integer = static_cast<int>(f.def);
    const std::string text = ini.readString(f.section, key, "");
    if (!text.empty()) {
        if (f.kind == Kind::Integer) {
            if (!IniFile::parseInteger(text, integer)) return false;
        } else {
            if (!IniFile::parseDouble(text, factor) || !std::isfinite(factor)) return false;
            if (f.kind == Kind::Factor && std::fabs(factor) > std::numeric_limits<float>::max()) return false;
            if (f.kind == Kind::EtsFactor && !(std::fabs(factor) < 2147483648.0)) return false;
        }
    }
    switch (f.kind) {
    case Kind::Factor: f.factors[index] = static_cast<float>(factor); break;
    case Kind::EtsFactor: f.integers[index] = static_cast<int>(factor); break;
    case Kind::Integer: f.integers[index] = integer; break;
    }
    return true;
}

void writeValue(IniFile& ini, const Field& f, int index) {
    const KeyOf key(f, index);
    switch (f.kind) {
    case Kind::Factor: ini.writeString(f.section, key, factorText(f.factors[index])); break;
    case Kind::EtsFactor: ini.writeString(f.section, key, factorText(f.integers[index])); break;
    case Kind::Integer: ini.writeInteger(f.section, key, f.integers[index]); break;
    }
}

} // namespace

bool Calibration::readIni(const char* path_) {
    const std::string path = path_ ? std::string(path_) : d_path;
    IniFile ini(path);
    if (!ini.loadedOk()) {
        push_error(_ERR_CALIBRATION_FORMAT, "kernel\\calibration_file", __LINE__);
        return false;
    }
    // Read into a copy: a bad file changes nothing.
    Calibration next(*this);
    for (const Field& f : fileFields(next))
        for (int index = 0; index < f.count; ++index)
            if (!readValue(ini, f, index)) {
                push_error(_ERR_CALIBRATION_FORMAT, "kernel\\calibration_file", __LINE__);
                return false;
            }
    if (next.HardwareVersion < _HW1 || next.HardwareVersion > _HW4) {
        push_error(_ERR_CALIBRATION_FORMAT, "kernel\\calibration_file", __LINE__);
        return false;
    }
    *this = next;
    return true;
}

bool Calibration::writeIni(const char* path_, std::string* error) {
    const std::string path = path_ ? std::string(path_) : d_path;
    IniFile ini(path); // keys of other programs stay
    if (!ini.loadedOk()) {
        // Written over, the keys it holds would be lost.
        if (error) *error = ini.error() + "; it is kept as it is";
        push_error(_ERR_TEMPORARY_FILE, "kernel\\calibration_file", __LINE__);
        return false;
    }
    const std::vector<Field> fields = fileFields(*this);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        if (!fields[k].together) {
            for (int index = 0; index < fields[k].count; ++index) writeValue(ini, fields[k], index);
            continue;
        }
        std::size_t end = k;
        while (end < fields.size() && fields[end].together) ++end;
        for (int index = 0; index < fields[k].count; ++index)
            for (std::size_t g = k; g < end; ++g) writeValue(ini, fields[g], index);
        k = end - 1;
    }
    if (!ini.save()) {
        if (error) *error = ini.error();
        push_error(_ERR_TEMPORARY_FILE, "kernel\\calibration_file", __LINE__);
        return false;
    }
    return true;
}
