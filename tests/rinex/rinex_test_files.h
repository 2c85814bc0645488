// Small RINEX 2 observation files for the toolkit's tests, built line by
// line so that each test shows the columns it relies on.
#pragma once

#include <string>
#include <vector>

namespace zer2ivi::testing {

inline std::string Real_Data(const std::string& name) {
    return std::string(ZER2IVI_SOURCE_DIR) + "/tests/data/real/" + name;
}

// A header line: text padded to 60 columns, then the label.
inline std::string Header_Line(const std::string& text, const std::string& label) {
    std::string line = text;
    line.resize(60, ' ');
    return line + label + "\n";
}

// A two-type (C1 L1) RINEX 2.11 header; extra lines go before END OF HEADER.
inline std::string Small_Header(const std::string& extra = "",
                                const std::string& types = "     2    C1    L1") {
    return Header_Line("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
           Header_Line("TEST", "MARKER NAME") + Header_Line(types, "# / TYPES OF OBSERV") + extra +
           Header_Line("", "END OF HEADER");
}

// One observation field: F14.3 value, LLI and strength characters.
inline std::string Obs(const std::string& value, char lli = ' ', char strength = ' ') {
    std::string field(14 - value.size(), ' ');
    return field + value + lli + strength;
}

}  // namespace zer2ivi::testing
