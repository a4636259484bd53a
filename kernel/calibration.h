#pragma once
// The instrument's calibration constants, the two per-code correction tables built from them,
// and the two stores they live in: the calibration file (calibration_file.cpp) and the
// instrument's calibration memory (calibration_memory.cpp).
//
// Arrays marked [11] are indexed by the volt/div code (_5MV_DIV 0 .. _10V_DIV 10), [33] by
// the time/div code (0..32). Coupling codes _AC 0, _DC 1, _GND 2. A correction-table entry
// is a corrected converter code 0 .. d_adcLevels - 1; EMPTY_SAMPLE marks a raw code that the
// converter cannot produce.
//
// The tables of the interleaved modes on _HW3/_HW4 depend on the coupling and volt/div of the
// interleaved channel, read from the State given with setState; without one those channels
// read as DC coupled at volt/div 0.
//
// Failures push an error code and return false: 10 for a calibration-memory read, 11 for a
// write, 12 for a calibration file that cannot be read or holds a bad value, 13 for a file
// that cannot be written.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Hardware;
class State;

// The calibration memory: 15 pages of 64 bytes at instrument address 0x1C00, each page 32
// words sent high byte first. _HW1/_HW2 use the first 8 pages, _HW3/_HW4 all 15.
constexpr int CALIBRATION_MEMORY_ADDRESS = 0x1C00;
constexpr int CALIBRATION_PAGE_BYTES = 64;
constexpr int CALIBRATION_PAGE_WORDS = 32;
constexpr int CALIBRATION_PAGES = 15;
constexpr int CALIBRATION_PAGES_HW12 = 8;
constexpr int CALIBRATION_MEMORY_BYTES = CALIBRATION_PAGES * CALIBRATION_PAGE_BYTES; // 960
constexpr int CALIBRATION_TIME_OUT = 500;                                            // ms
constexpr int ADC_CODES = 4096;                                                      // entries of a correction table

class Calibration {
public:
    // Only p_hardware and the four ppp arrays are set (to 0); init or a read fills the rest.
    Calibration();
    virtual ~Calibration();
    Calibration(const Calibration&) = default;
    Calibration& operator=(const Calibration&) = default;

    // Reads the constants from the instrument's memory (the calibration file is not read),
    // then builds the tables with the converter level count of the generation just read.
    // interleave_ and channels_ are State's d_interleaveOnOff and d_channelsOnOff.
    bool init(Hardware* hardware_p, const char* path_, bool interleave_, int channels_);
    // The State whose channel coupling and volt/div the tables and getOffset follow; not owned.
    void setState(const State* state_) { p_state = state_; }

    // Error 10 when a page cannot be read; the constants are then unchanged.
    bool readFromHardware();
    // Format 1, 8 or 15 pages by HardwareVersion. Error 11 at the first page that cannot be
    // written; the pages before it stay written.
    bool writeToHardware();

    // A null path means d_path. A missing file, and a missing or blank key, give the key's
    // default. A file that cannot be read, or whose keys are not numbers of their kind or out of
    // range (HardwareVersion outside 1..4, a factor that is not finite), changes nothing: error
    // 12, false. Neither rebuilds the tables.
    bool readIni(const char* path_ = nullptr);
    // Writes every key into the file (other keys are kept), atomically. Error 13, false when
    // the file cannot be written, or exists but cannot be read (it is not written over);
    // `error` then tells why.
    bool writeIni(const char* path_ = nullptr, std::string* error = nullptr);

    // For every code below d_adcLevels both tables get correctCode; the codes from d_adcLevels
    // up get EMPTY_SAMPLE. Always true.
    bool buildTables(bool interleave_, int channels_);
    std::int16_t correctCode(int table_, int code_, bool interleave_, int channels_) const;

    // Amplitude factor; 1.0 for _GND, for _MATH and _REFERENCE and for a volt/div outside
    // 0..10; 0.0 for other channels.
    double getGain(int ch_, int coupling_, int voltDiv_) const;
    // Offset-DAC zero point of channel 1 or 2; 0 for other channels or volt/div codes.
    int getOffset(int ch_, int voltDiv_, bool interleave_) const;

    // One memory page (address 0x000, 0x040, .. 0x380 relative to the memory) decoded into
    // the constants, or encoded from them into 32 words. Pages 0x200 and up are used only
    // when HardwareVersion is 3 or more. Always true.
    bool unpackPage(const unsigned char* page_, int address_);
    bool packPage(std::uint16_t* words_, int address_) const;

    int d_firmwareVersion = 1;
    int d_calibrationVersion = 1; // 1 plain, 2 with the header 0xAA 0x55
    std::array<std::int16_t, ADC_CODES> d_codeTable1{};
    std::array<std::int16_t, ADC_CODES> d_codeTable2{};
    int d_adcLevels = ADC_CODES; // 4096 (_HW1/_HW2) or 1024 (_HW3/_HW4)
    bool d_fromHardware = false; // init read the whole calibration memory
    Hardware* p_hardware = nullptr;
    std::string d_path;

    float ampACCh1[11]{}, ampACCh2[11]{}, ampDCCh1[11]{}, ampDCCh2[11]{};
    float nonlinearConstCh1[3]{}, nonlinearConstCh2[3]{}; // square, linear, constant term
    int oldOffsetCh1 = 0, oldOffsetCh2 = 0;
    int triggerCh1[11]{}, triggerCh2[11]{};
    int pppRealTime1Ch[33]{}, pppRealTime2Ch[33]{}, pppETS1Ch[33]{}, pppETS2Ch[33]{};
    int ETSMin = 0, ETSMax = 0, ETSOffset = 0;
    int ETSHistogramSize = 0;
    int ETSHistogram[128]{};
    int HardwareVersion = 0;
    float nonlinearConstADC1Ch1[3]{}, nonlinearConstADC2Ch1[3]{};
    float nonlinearConstADC1Ch2[3]{}, nonlinearConstADC2Ch2[3]{};
    int offsetADC2Ch1 = 0;
    int offsetADC2Ch1New[11]{};
    int offsetADC2Ch2 = 0;
    int offsetADC2Ch2New[11]{};
    int offsetInterleaveCh1[11]{}, offsetInterleaveCh2[11]{};
    int offsetNonInterleaveCh1[11]{}, offsetNonInterleaveCh2[11]{};
    int offsetACADC2Ch1 = 0;
    int offsetACADC2Ch1New[11]{};
    int offsetACADC2Ch2 = 0;
    int offsetACADC2Ch2New[11]{};
    int offsetACInterleaveCh1[11]{}, offsetACInterleaveCh2[11]{};
    int offsetACNonInterleaveCh1[11]{}, offsetACNonInterleaveCh2[11]{};
    int offsetTriggerHighFrequency = 0;
    int newHardwareVersion = 0;
    int chipTemperatureCalib = 0;
    int d_reservedWord[15]{};
    int d_reservedFactor[15]{};

private:
    // Coupling and volt/div of a channel from the State (DC, 0 without one).
    void channelSetting(int ch_, int& coupling_, int& voltDiv_) const;

    const State* p_state = nullptr;
};

// Bytes of the calibration memory a generation uses: 512 for _HW1/_HW2, 960 otherwise.
int calibrationMemoryLength(int hardwareVersion_);

// The bytes writeToHardware sends, page after page: format 1, high byte first,
// calibrationMemoryLength(cal_.HardwareVersion) bytes.
std::vector<unsigned char> packCalibrationMemory(const Calibration& cal_);

// Bytes of a memory image that readFromHardware reads, judged from its first 512 bytes:
// 960 for a format-1 image of generation 3 or 4, else 512.
std::size_t calibrationMemoryLengthNeeded(const unsigned char* image_);

// Decodes a memory image as readFromHardware does: the format header, the version
// normalisation (1..4) and the generation-3/4 pages. False, with nothing changed, when
// length_ is below calibrationMemoryLengthNeeded.
bool unpackCalibrationMemory(Calibration& cal_, const unsigned char* image_, std::size_t length_);
