#include "rinex2/obs_codes.h"

namespace zer2ivi::rinex2 {
namespace {

// RINEX 2 codes onto three-character codes, per system.  A code of a
// system not listed here keeps its two characters and a blank attribute.
struct CodeMapping {
    char system;
    std::string_view rinex2;
    std::string_view code;
};

constexpr CodeMapping kCodeMappings[] = {
    // GPS: C/A on L1, P(Y) (semi-codeless W) on L1 and L2, L2C, L5.
    {'G', "C1", "C1C"}, {'G', "P1", "C1W"}, {'G', "L1", "L1C"}, {'G', "D1", "D1C"},
    {'G', "S1", "S1C"}, {'G', "C2", "C2L"}, {'G', "P2", "C2W"}, {'G', "L2", "L2W"},
    {'G', "D2", "D2W"}, {'G', "S2", "S2W"}, {'G', "C5", "C5X"}, {'G', "L5", "L5X"},
    {'G', "D5", "D5X"}, {'G', "S5", "S5X"},
    // GLONASS: C/A and P on G1 and G2.
    {'R', "C1", "C1C"}, {'R', "P1", "C1P"}, {'R', "L1", "L1C"}, {'R', "D1", "D1C"},
    {'R', "S1", "S1C"}, {'R', "C2", "C2C"}, {'R', "P2", "C2P"}, {'R', "L2", "L2P"},
    {'R', "D2", "D2P"}, {'R', "S2", "S2P"},
    // Galileo: E1, E5a, E5b, E5, E6 (combined pilot and data).
    {'E', "C1", "C1X"}, {'E', "L1", "L1X"}, {'E', "D1", "D1X"}, {'E', "S1", "S1X"},
    {'E', "C5", "C5X"}, {'E', "L5", "L5X"}, {'E', "D5", "D5X"}, {'E', "S5", "S5X"},
    {'E', "C7", "C7X"}, {'E', "L7", "L7X"}, {'E', "D7", "D7X"}, {'E', "S7", "S7X"},
    {'E', "C8", "C8X"}, {'E', "L8", "L8X"}, {'E', "D8", "D8X"}, {'E', "S8", "S8X"},
    {'E', "C6", "C6X"}, {'E', "L6", "L6X"}, {'E', "D6", "D6X"}, {'E', "S6", "S6X"},
    // SBAS: C/A on L1, L5.
    {'S', "C1", "C1C"}, {'S', "L1", "L1C"}, {'S', "D1", "D1C"}, {'S', "S1", "S1C"},
    {'S', "C5", "C5X"}, {'S', "L5", "L5X"}, {'S', "D5", "D5X"}, {'S', "S5", "S5X"},
};

char Known_System(char system) { return system == ' ' ? 'G' : system; }

}  // namespace

std::optional<ObsCode> Parse_Obs_Code(std::string_view text) {
    if (text.size() != 3 || text[0] == ' ' || text[1] == ' ') return std::nullopt;
    return ObsCode{{text[0], text[1], text[2]}};
}

std::optional<ObsCode> From_Rinex2_Code(char system, std::string_view code) {
    if (code.size() != 2 || code[0] == ' ' || code[1] == ' ') return std::nullopt;
    system = Known_System(system);
    for (const CodeMapping& mapping : kCodeMappings)
        if (mapping.system == system && mapping.rinex2 == code)
            return ObsCode{{mapping.code[0], mapping.code[1], mapping.code[2]}};
    return ObsCode{{code[0], code[1], ' '}};
}

std::optional<std::array<char, 2>> To_Rinex2_Code(char system, ObsCode code) {
    system = Known_System(system);
    for (const CodeMapping& mapping : kCodeMappings)
        if (mapping.system == system && mapping.code == code.view())
            return std::array<char, 2>{mapping.rinex2[0], mapping.rinex2[1]};
    if (code.text[2] == ' ') return std::array<char, 2>{code.text[0], code.text[1]};
    return std::nullopt;
}

}  // namespace zer2ivi::rinex2
