// Shared by the hostile-input tests: settings records in heap blocks of
// exactly their size (a read past a field at the end of a record is then
// caught by the sanitizers), and the observation and navigation files of a
// whole conversion.
#pragma once

#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "api/api.h"
#include "base/library_state.h"
#include "rinex_nav/rinex_nav.h"
#include "rinex_obs/rinex_obs.h"
#include "rinex_obs/zeb_test_file.h"
#include "support/open_descriptors.h"
#include "support/test_support.h"
#include "zebfile/zebfile.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::testing {

// A text field filled completely, without a NUL anywhere.
template <size_t N>
void Fill_Unterminated(char (&field)[N], char first) {
    for (size_t i = 0; i < N; ++i) field[i] = static_cast<char>(first + static_cast<char>(i % 26));
}

struct Conversion {
    std::unique_ptr<ObsSettings> obs = std::make_unique<ObsSettings>();
    std::unique_ptr<NavSettings> nav = std::make_unique<NavSettings>();

    explicit Conversion(const TempDir& dir) {
        std::memset(obs.get(), 0, sizeof *obs);
        std::memset(nav.get(), 0, sizeof *nav);
        obs->structSize = ZER2IVI_OBS_SETTINGS_SIZE;
        nav->structSize = ZER2IVI_NAV_SETTINGS_SIZE;
        Copy_Text(obs->zebFileName, dir.file("in.zeb"));
        Copy_Text(obs->rinexObsFileName, dir.file("out.obs"));
        Copy_Text(obs->runBy, "RUNNER");
        Copy_Text(obs->markerName, "MARK");
        Copy_Text(obs->observer, "OBS");
        Copy_Text(obs->agency, "AGENCY");
        obs->antennaHeight = 1.25;
        obs->obsTypeMask = OBS_C1 | OBS_L1 | OBS_L2 | OBS_D1 | OBS_P2;
        Copy_Text(nav->ephemerisFileName, dir.file("in.eph"));
        Copy_Text(nav->rinexNavFileName, dir.file("out.nav"));
        Copy_Text(nav->runBy, "NAVRUNNER");
    }
    int32_t run() const { return Zeb_To_Rinex(obs.get(), nav.get()); }
    std::string message() const {
        char text[ZER2IVI_MESSAGE_SIZE];
        Get_Error_Str(text);
        return text;
    }
};

// One plain-form ephemeris (six lines) of satellite prn.
inline std::string Plain_Ephemeris(int prn, const std::string& af0 = "1.0e-04",
                                   const std::string& week = "1316",
                                   const std::string& sqrtA = "5.153636478420e+03") {
    return std::to_string(prn) + " " + week + " 0 -3.259629011150e-09 396 0\n" +
           "0.0 1.705302565820e-12 " + af0 + "\n" +
           "140 -5.218750000000e+01 4.026596389650e-09 2.871534990340e+00\n" +
           "-2.676621079440e-06 5.957618006510e-03 4.174187779430e-06 " + sqrtA + "\n" +
           "525600 1.061707735060e-07 -2.493184817740e+00 -9.313225746150e-08\n" +
           "9.833919144490e-01 3.093750000000e+02 -1.650496813270e+00 -7.889971342930e-09 "
           "-8.571785642400e-12\n";
}

// Lines after "END OF HEADER", and the header lines.
inline std::vector<std::string> Body_Lines(const std::vector<std::string>& lines) {
    std::vector<std::string> body;
    bool inBody = false;
    for (const std::string& line : lines) {
        if (inBody) body.push_back(line);
        if (line.find("END OF HEADER") != std::string::npos) inBody = true;
    }
    return body;
}

inline std::vector<std::string> Header_Lines(const std::vector<std::string>& lines) {
    std::vector<std::string> header;
    for (const std::string& line : lines) {
        header.push_back(line);
        if (line.find("END OF HEADER") != std::string::npos) break;
    }
    return header;
}

// The count of "Wrote %d ephemeris records", or -1 for another message.
inline int Ephemeris_Count_Of(const std::string& message) {
    std::smatch match;
    static const std::regex pattern("^Wrote (-?[0-9]+) ephemeris records$");
    return std::regex_match(message, match, pattern) ? std::stoi(match[1]) : -1;
}

}  // namespace zer2ivi::testing
