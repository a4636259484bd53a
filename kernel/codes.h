#pragma once
// Codes shared by the kernel, the facade and the GUI. Values are stored in state files
// and sent to the instrument: never renumber them.

enum ChannelCode { _CH1 = 1, _CH2 = 2, _MATH = 3, _REFERENCE = 4 };
constexpr int NUMBER_OF_CHANNELS = 5; // per-channel records are indexed by the code; 0 is unused

enum CouplingCode { _AC = 0, _DC = 1, _GND = 2 };

enum VoltDivCode {
    _5MV_DIV = 0,
    _10MV_DIV,
    _20MV_DIV,
    _50MV_DIV,
    _100MV_DIV,
    _200MV_DIV,
    _500MV_DIV,
    _1V_DIV,
    _2V_DIV,
    _5V_DIV,
    _10V_DIV = 10
};

enum TimeDivCode {
    _2NS_DIV = 0,
    _4NS_DIV,
    _10NS_DIV,
    _20NS_DIV,
    _40NS_DIV,
    _100NS_DIV,
    _200NS_DIV,
    _400NS_DIV,
    _1US_DIV,
    _2US_DIV,
    _4US_DIV,
    _10US_DIV = 11,
    _20US_DIV = 12,
    _40US_DIV,
    _100US_DIV,
    _200US_DIV,
    _400US_DIV,
    _1MS_DIV = 17,
    _2MS_DIV,
    _4MS_DIV,
    _10MS_DIV,
    _20MS_DIV,
    _40MS_DIV,
    _100MS_DIV,
    _200MS_DIV,
    _400MS_DIV = 25,
    _1S_DIV = 26,
    _2S_DIV,
    _4S_DIV,
    _10S_DIV,
    _20S_DIV,
    _40S_DIV,
    _100S_DIV = 32
};
constexpr int NUMBER_OF_TIME_DIVS = 33;

enum ProbeCode { _X1 = 1, _X10 = 10, _X100 = 100, _X1000 = 1000 };

enum BufferSizeMode { _10K = 3, _500K = 7 };

enum ChannelsOnCode { _CH1_OFF_CH2_OFF = 0, _CH1_ON_CH2_OFF = 1, _CH1_OFF_CH2_ON = 2, _CH1_ON_CH2_ON = 3 };

enum RunState { _SINGLE = 0, _RUN = 1, _STOP = 2 };

enum TriggerMode { _AUTO = 0, _NORMAL = 1 };

// The instrument knows two slopes: 1 rising, 0 falling.
enum TriggerSlope { _DOWN_EDGE = 0, _UP_EDGE = 1 };

enum HardwareVersion { _HW1 = 1, _HW2 = 2, _HW3 = 3, _HW4 = 4 };

// Acquisition methods of a time base; group = (method & 0xC) >> 2.
enum AcquisitionMethod { _ETS_MODE1 = 1, _ETS_MODE2 = 2, _RIS = 3, _REAL_TIME = 4, _ROLL = 8, _ROLL2 = 9, _ROLL3 = 10 };

enum MathOperation { _ADD = 0, _SUBTRACT = 1, _MULTIPLY = 2, _DIVIDE = 3 };

// Raw sample codes: 4096 marks an empty sample; 20480 and up carry a flag.
constexpr short EMPTY_SAMPLE = 4096;
constexpr short FLAGGED_SAMPLE_BASE = 20480;
