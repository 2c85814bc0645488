// One conversion of a binary observation log and an ephemeris file into
// RINEX files at given destinations, with every check the tool makes and
// nothing left behind on failure.  The convert command runs one; a driver
// of many logs can run one per log and collect the results.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zer2ivi::cli {

struct HeaderTexts {
    std::string runBy, marker, observer, agency;
    double antennaHeight = 0.0;
};

struct ConvertJob {
    std::string log;
    std::string ephemeris;  // not read with noNav
    // Explicit destinations; without one the file gets its conventional
    // RINEX name in outputDirectory.
    std::optional<std::string> obsOutput, navOutput;
    std::string outputDirectory = ".";
    HeaderTexts texts;
    uint32_t types = 0x1f;  // ObsTypeMask: all five types
    // GPS week of the first epoch; it dates the observation epochs only.
    std::optional<int32_t> gpsWeek;
    bool noNav = false;  // write the observation file only
    bool force = false;  // failed checks become warnings
    // Runs on the complete temporary observation file before the files are
    // renamed; an error text fails the conversion.
    std::function<std::optional<std::string>(const std::string& obsPath)> postProcess;
};

struct ConvertResult {
    bool converted = false;
    std::string error;                  // why not, when not converted
    std::vector<std::string> warnings;  // in the order they arose
    std::string obsFile, navFile;       // final names (navFile empty with noNav)
    int32_t epochs = 0;
    // The library's success message, naming the observation file by its
    // final name.
    std::string message;
};

// Runs one job.  Jobs run one after another, never at once: the library
// keeps one message and one week state per process.  Once a job has dated
// epochs under the week override (gpsWeek, or noNav), the library keeps it
// on, and a later job of the same process that converts an ephemeris file
// fails with a message instead of writing records dated under it; a driver
// runs such jobs last, or in processes of their own.
ConvertResult Convert_Log(const ConvertJob& job);

}  // namespace zer2ivi::cli
