// The code tables between versions 2 and 3.  Version 3 codes are type,
// band and attribute ("C1W": code, L1, Z-tracking/P(Y)); version 2 codes
// type and band only, with P1/P2 for GPS and GLONASS P code.
#include <algorithm>

#include "rinex3/rinex3.h"

namespace zer2ivi::rinex3 {
namespace {

struct ToVersion3 {
    char system;
    std::string_view version2;
    std::string_view version3;
};

// Version 2 to 3.  GPS C2 is L2C (L), P2/L2 the semi-codeless P(Y)
// tracking (W); L5 signals are written with the combined attribute (X).
constexpr ToVersion3 kToVersion3[] = {
    {'G', "C1", "C1C"}, {'G', "P1", "C1W"}, {'G', "L1", "L1C"}, {'G', "D1", "D1C"},
    {'G', "S1", "S1C"}, {'G', "C2", "C2L"}, {'G', "P2", "C2W"}, {'G', "L2", "L2W"},
    {'G', "D2", "D2W"}, {'G', "S2", "S2W"}, {'G', "C5", "C5X"}, {'G', "L5", "L5X"},
    {'G', "D5", "D5X"}, {'G', "S5", "S5X"},
    {'R', "C1", "C1C"}, {'R', "P1", "C1P"}, {'R', "L1", "L1C"}, {'R', "D1", "D1C"},
    {'R', "S1", "S1C"}, {'R', "C2", "C2C"}, {'R', "P2", "C2P"}, {'R', "L2", "L2P"},
    {'R', "D2", "D2P"}, {'R', "S2", "S2P"},
    {'E', "C1", "C1X"}, {'E', "L1", "L1X"}, {'E', "D1", "D1X"}, {'E', "S1", "S1X"},
    {'E', "C5", "C5X"}, {'E', "L5", "L5X"}, {'E', "D5", "D5X"}, {'E', "S5", "S5X"},
    {'E', "C6", "C6X"}, {'E', "L6", "L6X"}, {'E', "D6", "D6X"}, {'E', "S6", "S6X"},
    {'E', "C7", "C7X"}, {'E', "L7", "L7X"}, {'E', "D7", "D7X"}, {'E', "S7", "S7X"},
    {'E', "C8", "C8X"}, {'E', "L8", "L8X"}, {'E', "D8", "D8X"}, {'E', "S8", "S8X"},
    {'S', "C1", "C1C"}, {'S', "L1", "L1C"}, {'S', "D1", "D1C"}, {'S', "S1", "S1C"},
    {'S', "C5", "C5X"}, {'S', "L5", "L5X"}, {'S', "D5", "D5X"}, {'S', "S5", "S5X"},
};

struct ToVersion2 {
    char system;
    std::string_view version2;
    std::string_view preference;  // version 3 codes, most preferred first
};

// Version 3 to 2: for each version 2 code, the version 3 codes that may
// stand for it, in order.  GPS: the civil C/A code is C1, P(Y) on L1 is
// P1, on L2 P2; L2 phase prefers the P(Y) tracking (W, P, Y), then L2C
// (L, X, S), then the rest.
constexpr ToVersion2 kToVersion2[] = {
    {'G', "C1", "C1C"},
    {'G', "P1", "C1W C1P C1Y"},
    {'G', "L1", "L1C L1W L1P L1Y L1S L1L L1X"},
    {'G', "D1", "D1C D1W D1P D1Y D1S D1L D1X"},
    {'G', "S1", "S1C S1W S1P S1Y S1S S1L S1X"},
    {'G', "C2", "C2L C2X C2S C2C C2D"},
    {'G', "P2", "C2W C2P C2Y"},
    {'G', "L2", "L2W L2P L2Y L2L L2X L2S L2C L2D"},
    {'G', "D2", "D2W D2P D2Y D2L D2X D2S D2C D2D"},
    {'G', "S2", "S2W S2P S2Y S2L S2X S2S S2C S2D"},
    {'G', "C5", "C5X C5Q C5I"},
    {'G', "L5", "L5X L5Q L5I"},
    {'G', "D5", "D5X D5Q D5I"},
    {'G', "S5", "S5X S5Q S5I"},
    {'R', "C1", "C1C"},
    {'R', "P1", "C1P"},
    {'R', "L1", "L1C L1P"},
    {'R', "D1", "D1C D1P"},
    {'R', "S1", "S1C S1P"},
    {'R', "C2", "C2C"},
    {'R', "P2", "C2P"},
    {'R', "L2", "L2P L2C"},
    {'R', "D2", "D2P D2C"},
    {'R', "S2", "S2P S2C"},
    {'E', "C1", "C1X C1C C1B C1A C1Z"},
    {'E', "L1", "L1X L1C L1B L1A L1Z"},
    {'E', "D1", "D1X D1C D1B D1A D1Z"},
    {'E', "S1", "S1X S1C S1B S1A S1Z"},
    {'E', "C5", "C5X C5Q C5I"},
    {'E', "L5", "L5X L5Q L5I"},
    {'E', "D5", "D5X D5Q D5I"},
    {'E', "S5", "S5X S5Q S5I"},
    {'E', "C6", "C6X C6C C6B C6A C6Z"},
    {'E', "L6", "L6X L6C L6B L6A L6Z"},
    {'E', "D6", "D6X D6C D6B D6A D6Z"},
    {'E', "S6", "S6X S6C S6B S6A S6Z"},
    {'E', "C7", "C7X C7Q C7I"},
    {'E', "L7", "L7X L7Q L7I"},
    {'E', "D7", "D7X D7Q D7I"},
    {'E', "S7", "S7X S7Q S7I"},
    {'E', "C8", "C8X C8Q C8I"},
    {'E', "L8", "L8X L8Q L8I"},
    {'E', "D8", "D8X D8Q D8I"},
    {'E', "S8", "S8X S8Q S8I"},
    {'S', "C1", "C1C"},
    {'S', "L1", "L1C"},
    {'S', "D1", "D1C"},
    {'S', "S1", "S1C"},
    {'S', "C5", "C5X C5I C5Q"},
    {'S', "L5", "L5X L5I L5Q"},
    {'S', "D5", "D5X D5I D5Q"},
    {'S', "S5", "S5X S5I S5Q"},
};

constexpr size_t kCodeLength = 3;
constexpr size_t kPreferenceStep = kCodeLength + 1;  // a code and a blank

}  // namespace

std::optional<std::string_view> Version3_Code(char system, std::string_view version2Code) {
    for (const ToVersion3& row : kToVersion3)
        if (row.system == system && row.version2 == version2Code) return row.version3;
    return std::nullopt;
}

std::string_view Version2_Preference(char system, std::string_view version2Code) {
    for (const ToVersion2& row : kToVersion2)
        if (row.system == system && row.version2 == version2Code) return row.preference;
    return {};
}

Version2Selection Select_Version2_Codes(char system,
                                        const std::vector<std::string>& version3Codes) {
    Version2Selection selection;
    std::vector<bool> taken(version3Codes.size(), false);
    for (const ToVersion2& row : kToVersion2) {
        if (row.system != system) continue;
        for (size_t at = 0; at < row.preference.size(); at += kPreferenceStep) {
            const std::string_view candidate = row.preference.substr(at, kCodeLength);
            const auto found = std::find(version3Codes.begin(), version3Codes.end(), candidate);
            if (found == version3Codes.end()) continue;
            taken[static_cast<size_t>(found - version3Codes.begin())] = true;
            selection.picks.push_back({std::string(row.version2), *found});
            break;
        }
    }
    for (size_t i = 0; i < version3Codes.size(); ++i)
        if (!taken[i]) selection.dropped.push_back(version3Codes[i]);
    return selection;
}

}  // namespace zer2ivi::rinex3
