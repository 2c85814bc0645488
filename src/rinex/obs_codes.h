// Observation codes and flags of the epoch model, whatever the RINEX
// version: three-character codes (type, band, attribute: "C1C", "L2W") and
// system-aware satellite ids.  RINEX 2 files name a type by two characters
// ("C1", "P2"); the table in obs_codes.cpp maps them onto three-character
// codes per system at the reader and back at the writer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zer2ivi::rinex {

// Systems of observation files, in the order products list them.
inline constexpr std::string_view kSystemLetters = "GRSECJI";

// "G05", "R12": a system letter and a number.  A blank system letter of a
// RINEX 2 file is GPS and is given as 'G'.
struct SatelliteId {
    char system = 'G';
    uint8_t prn = 0;
    friend bool operator==(const SatelliteId&, const SatelliteId&) = default;
};

// A three-character observation code; the attribute is blank for a RINEX 2
// code that the table does not know, so that it is written back unchanged.
struct ObsCode {
    std::array<char, 3> text{{' ', ' ', ' '}};

    std::string_view view() const { return {text.data(), text.size()}; }
    char type() const { return text[0]; }  // C, L, D, S
    char band() const { return text[1]; }
    friend bool operator==(const ObsCode&, const ObsCode&) = default;
};

std::optional<ObsCode> Parse_Obs_Code(std::string_view text);  // three characters

// A RINEX 2 code ("P2") of a system as a three-character code ("C2W" for
// GPS).  Two characters are needed; nothing for any other text.
std::optional<ObsCode> From_Rinex2_Code(char system, std::string_view code);
// The RINEX 2 code of a three-character code of a system: the table's
// inverse, or the first two characters of a code with a blank attribute.
std::optional<std::array<char, 2>> To_Rinex2_Code(char system, ObsCode code);

// The bits of an LLI digit.
enum class LliBit : uint8_t { kLossOfLock = 1, kHalfCycle = 2, kAntiSpoofing = 4 };
inline bool Has_Lli(uint8_t lli, LliBit bit) { return (lli & static_cast<uint8_t>(bit)) != 0; }
inline uint8_t With_Lli(uint8_t lli, LliBit bit) {
    return static_cast<uint8_t>(lli | static_cast<uint8_t>(bit));
}

}  // namespace zer2ivi::rinex

namespace zer2ivi::rinex {

// A dense index for per-satellite tables: system (kSystemLetters order, any
// other letter last) by number 0-99.
inline constexpr size_t kPrnSlots = 100;
inline constexpr size_t kSatelliteSlots = (kSystemLetters.size() + 1) * kPrnSlots;
inline size_t Satellite_Slot(char system, uint8_t prn) {
    size_t index = kSystemLetters.find(system);
    if (index == std::string_view::npos) index = kSystemLetters.size();
    return index * kPrnSlots + prn % kPrnSlots;
}
// The system letter of a slot ('M' for the last row).
inline char System_Of_Slot(size_t slot) {
    const size_t index = slot / kPrnSlots;
    return index < kSystemLetters.size() ? kSystemLetters[index] : 'M';
}

}  // namespace zer2ivi::rinex
