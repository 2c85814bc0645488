// What the compact decoder and encoder share: the layout of both files'
// lines, the observation types per system, arcs of differences and the
// satellites of an epoch.  Internal to src/crinex.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crinex/crinex.h"

namespace zer2ivi::crinex {

// Line 1 and 2 of a compact file.
inline constexpr std::string_view kLabelCompactVersion = "CRINEX VERS   / TYPE";
inline constexpr std::string_view kLabelCompactProgram = "CRINEX PROG / DATE";
inline constexpr std::string_view kCompactFormatName = "COMPACT RINEX FORMAT";
// Header records the codec reads.
inline constexpr std::string_view kLabelRinexVersion = "RINEX VERSION / TYPE";
inline constexpr std::string_view kLabelTypes2 = "# / TYPES OF OBSERV";
inline constexpr std::string_view kLabelTypes3 = "SYS / # / OBS TYPES";
inline constexpr std::string_view kLabelEndOfHeader = "END OF HEADER";
inline constexpr size_t kLabelColumn = 60;

// Epoch lines.  RINEX 2: date and flag in columns 1-32 (flag column 29,
// count 30-32), 12 satellite ids per line from column 33, clock in 69-80
// (F12.9).  RINEX 3: '>' record, flag column 32, count 33-35, clock
// F15.12 from column 42; the compact line keeps columns 1-41 and then lists
// the ids.
struct EpochLayout {
    size_t flagIndex;
    size_t countIndex;
    size_t countWidth;
    size_t fixedWidth;   // columns kept in the compact epoch line
    size_t clockIndex;
    size_t clockWidth;
    int clockDecimals;
};
inline constexpr EpochLayout kEpoch2{28, 29, 3, 32, 68, 12, 9};
inline constexpr EpochLayout kEpoch3{31, 32, 3, 41, 41, 15, 12};
inline const EpochLayout& Epoch_Layout(int rinexMajor) { return rinexMajor >= 3 ? kEpoch3 : kEpoch2; }
inline constexpr size_t kIdsPerLine2 = 12;
inline constexpr size_t kIdWidth = 3;

// Observation fields: F14.3 then loss-of-lock and signal-strength digits;
// RINEX 2 has 5 per line, RINEX 3 one line per satellite after its id.
inline constexpr size_t kValueWidth = 14;
inline constexpr size_t kFieldWidth = 16;
inline constexpr size_t kFieldsPerLine2 = 5;
inline constexpr int kValueDecimals = 3;

// Arcs: the decoder takes difference orders up to 9; the encoder writes 3
// and starts a new arc where a difference reaches 1e10 in magnitude.
inline constexpr int kMaxOrder = 9;
inline constexpr int kEncoderOrder = 3;
inline constexpr int64_t kArcResetMagnitude = 10'000'000'000;
inline constexpr char kArcMark = '&';   // "N&V" starts an arc; a flag became blank
inline constexpr size_t kMaxTypes = 199;  // per system
inline constexpr size_t kMaxSatellites = 999;

bool Has_Label(std::string_view line, std::string_view label);
std::string_view Trim_Right(std::string_view text);
bool Is_Event_Flag(char flag);  // 2-5: records follow instead of observations
// Epoch lines: a character difference against the previous line (blank:
// unchanged, '&': became blank), trailing blanks trimmed.
void Append_Text_Difference(std::string& out, std::string_view old, std::string_view now);
void Apply_Text_Difference(std::string& text, std::string_view difference);

// Signed decimal integer, no blanks; false when not one or beyond 64 bits.
bool Parse_Integer(std::string_view text, int64_t& value);
// A fixed-point field ("  -123.456", ".5") as an integer of 10^-decimals
// units; false when it is not such a number or has more decimals.
bool Parse_Scaled(std::string_view text, int decimals, int64_t& value);
// value / 10^decimals right-aligned in width columns; false when it does
// not fit.
bool Append_Scaled(std::string& out, int64_t value, int decimals, size_t width);
void Append_Integer(std::string& out, int64_t value);

// Observation types per system letter (RINEX 2: one count for every system).
struct TypeCounts {
    int rinexMajor = 0;
    std::array<uint16_t, 128> bySystem{};
    uint16_t all = 0;  // RINEX 2
    size_t maximum() const;
    // Takes a header line; false with what set for a count beyond kMaxTypes.
    bool take(std::string_view line, std::string& what);
    // 0 when the system has no types.
    size_t of(char system) const;
};

// One field's arc of differences: d[j] is the j-th difference at the last
// epoch, steps the number of differences taken since the arc began.
struct Arc {
    std::array<int64_t, kMaxOrder + 1> d{};
    uint8_t order = 0;
    uint8_t steps = 0;
    bool active = false;

    void start(int arcOrder, int64_t value);
    // Decoder: the next difference; false on 64-bit overflow.
    bool apply(int64_t difference);
    // Encoder: the difference that codes value; false on overflow.
    bool difference(int64_t value, int64_t& out) const;
    int64_t value() const { return d[0]; }
};

// The satellites of one epoch, each with an arc and two flag characters
// per field (stride fields each).
struct EpochState {
    static constexpr size_t kNew = static_cast<size_t>(-1);
    size_t count = 0;
    size_t stride = 0;
    std::vector<std::array<char, kIdWidth>> ids;
    std::vector<uint16_t> typeCount;
    std::vector<Arc> arcs;
    std::vector<char> flags;
    std::vector<size_t> from;      // its index in the previous epoch, kNew if absent
    std::vector<uint8_t> present;  // encoder: field has a value this epoch
    std::vector<int64_t> values;   // encoder: the values of this epoch
    Arc clock;

    void reset(size_t fieldStride);
    // Appends a satellite; its arcs and flags come from previous where the
    // satellite was there (hint: its likely index), else no arcs and blank
    // flags.  false when the epoch has kMaxSatellites already.
    bool add(std::string_view id, size_t types, const EpochState& previous, size_t& hint);
    Arc* arcsOf(size_t satellite) { return arcs.data() + satellite * stride; }
    char* flagsOf(size_t satellite) { return flags.data() + satellite * 2 * stride; }
    const char* flagsOf(size_t satellite) const { return flags.data() + satellite * 2 * stride; }
};

}  // namespace zer2ivi::crinex
