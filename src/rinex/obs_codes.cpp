#include "rinex/obs_codes.h"

#include "rinex3/rinex3.h"

namespace zer2ivi::rinex {
namespace {

// The table of RINEX 2 codes and three-character codes per system is the
// version 3 writer's (rinex3::Version3_Code); a code it does not know keeps
// its two characters and a blank attribute.
constexpr std::string_view kRinex2Types = "CPLDS";
constexpr std::string_view kRinex2Bands = "125678";

char Known_System(char system) { return system == ' ' ? 'G' : system; }

}  // namespace

std::optional<ObsCode> Parse_Obs_Code(std::string_view text) {
    if (text.size() != 3 || text[0] == ' ' || text[1] == ' ') return std::nullopt;
    return ObsCode{{text[0], text[1], text[2]}};
}

std::optional<ObsCode> From_Rinex2_Code(char system, std::string_view code) {
    if (code.size() != 2 || code[0] == ' ' || code[1] == ' ') return std::nullopt;
    if (const auto known = rinex3::Version3_Code(Known_System(system), code);
        known && known->size() == 3)
        return ObsCode{{(*known)[0], (*known)[1], (*known)[2]}};
    return ObsCode{{code[0], code[1], ' '}};
}

std::optional<std::array<char, 2>> To_Rinex2_Code(char system, ObsCode code) {
    if (code.text[2] == ' ') return std::array<char, 2>{code.text[0], code.text[1]};
    for (char type : kRinex2Types)
        for (char band : kRinex2Bands) {
            const char candidate[2] = {type, band};
            const auto known = rinex3::Version3_Code(Known_System(system), {candidate, 2});
            if (known && *known == code.view()) return std::array<char, 2>{type, band};
        }
    return std::nullopt;
}

}  // namespace zer2ivi::rinex
