// The conversion job: one binary observation log and its ephemeris file
// into RINEX files at given destinations, with every check of the ephemeris
// file and of the dating, the products of the observation file, and
// nothing left behind on failure.  convert, batch, qc and inspect run it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "api/conversion.h"

namespace zer2ivi::job {

// A file written under `temporary`, renamed to `final` at the end.
struct StagedFile {
    std::string temporary;
    std::string final;
    size_t epochs = 0;  // observation epochs of a product
};

// Makes a new empty file in a directory; nothing on failure (errno set).
using CreateTemporary = std::function<std::optional<std::string>(const std::string& directory)>;

// The products of the complete observation file (window, decimation,
// header edits, split, gzip): they replace it at the renames.
struct ProductStep {
    // Stages the products of obsTemp, to be renamed beside obsFinal (pieces
    // are named after the station of `namedAfter`); the error text, with
    // usageError set when an option does not suit the file; what was kept
    // although not all was right goes to warnings.
    std::function<std::optional<std::string>(const std::string& obsTemp,
                                             const std::string& obsFinal,
                                             const std::string& namedAfter,
                                             const CreateTemporary& create,
                                             std::vector<StagedFile>& files, bool& usageError,
                                             std::vector<std::string>& warnings)>
        stage;
    // Non-null: the navigation file is compressed too, by this copy, under
    // the name gzipName gives.
    std::function<std::optional<std::string>(const std::string& from, const std::string& to)> gzip;
    std::function<std::string(const std::string& name)> gzipName;
    // The navigation file is written as RINEX 3.04 (from the ephemeris
    // file, once its version 2 twin passed the checks); without -n it is
    // named after the first observation product's long name ("..._MN.rnx").
    bool navigation3 = false;
};

// The conventional name of a file of the job: the station (from the marker
// name, else from the log's file name), the date of the first epoch and the
// letter ('o' or 'n').  Empty when the date gives no name.
using NameFiles = std::function<std::string(const std::string& marker, const std::string& log,
                                            int32_t year, int32_t month, int32_t day,
                                            char letter)>;

struct ConvertJob {
    std::string log;
    std::string ephemeris;  // not read with noNav
    // Explicit destinations; without one the file gets its conventional
    // name (names) in outputDirectory.
    std::optional<std::string> obsOutput, navOutput;
    std::string outputDirectory = ".";
    NameFiles names;
    api::HeaderTexts texts;
    uint32_t types = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;
    // The types were named by the user: warn about each one the log lacks.
    bool typesNamed = false;
    // GPS week of the first epoch; it dates the observation epochs only.
    std::optional<int32_t> gpsWeek;
    bool noNav = false;  // write the observation file only
    bool force = false;  // failed checks become warnings
    // A log cut inside an epoch: convert the whole epochs before the cut,
    // with a warning naming the bytes not converted.
    bool keepEpochsBeforeCut = true;
    // Runs on the complete temporary observation file before the renames;
    // an error text fails the job.
    std::function<std::optional<std::string>(const std::string& obsPath)> postProcess;
    std::optional<ProductStep> products;
};

struct ConvertResult {
    bool converted = false;
    std::string error;                  // why not, when not converted
    bool usageError = false;            // a product option does not suit the log
    std::vector<std::string> warnings;  // in the order they arose
    std::string obsFile, navFile;       // final names (navFile empty with noNav)
    std::vector<std::string> obsFiles;  // every observation file (several when split)
    std::vector<size_t> productEpochs;  // epochs of each, with products
    int32_t epochs = 0;                 // epochs converted
    api::ObservationResult observations;
};

ConvertResult Convert_Log(const ConvertJob& job);

// The records of a navigation file the library wrote from an ephemeris
// file, read back: how many, the first that cannot be a GPS broadcast
// ephemeris (naming the ephemeris file), or why the file cannot be read.
struct NavigationRecords {
    int64_t ephemerides = 0;
    std::optional<std::string> badRecord;
    std::optional<std::string> error;
};
NavigationRecords Check_Navigation_Records(const std::string& navPath, const std::string& role,
                                           const std::string& ephemeris);

// The navigation step alone: an ephemeris file (tagged or plain form) into
// a RINEX navigation file at output, with the checks of its records (none,
// or one that cannot be a broadcast ephemeris, is an error).  The error
// text naming the input by its role ("NAV 'x'"), else nothing; the
// library's warnings are added to warnings.
std::optional<std::string> Convert_Ephemeris_File(const std::string& role, const std::string& ephemeris,
                                                  const std::string& output, std::vector<std::string>& warnings);

// Why path cannot be read as an input file (named by its role, e.g.
// "OBSFILE 'x.zeb': No such file or directory"), or does not fit a
// settings path field; nothing when it can.
std::optional<std::string> Check_Input_File(const std::string& role, const std::string& path);

// The ephemeris file beside a log: same stem, the suffix.
std::string Ephemeris_Beside(const std::string& log, const std::string& suffix);

// What the RINEX observation header of a log will state, from a conversion
// into a private temporary directory that is removed again.
struct LogFacts {
    api::ObservationResult observations;
    std::string error;  // empty when the log could be converted
};
LogFacts Inspect_Log(const std::string& log, std::optional<int32_t> gpsWeek);

// Whether the file begins with a binary observation log's header.
bool Is_Binary_Log(const std::string& path);

// The date of the first epoch of a log, known before any conversion: its
// first time of week in the given week, else in the week that puts it
// nearest the log's creation time.  Nothing when the log holds no epoch or
// cannot be read.
struct CalendarDay {
    int32_t year = 0, month = 0, day = 0;
    bool operator==(const CalendarDay&) const = default;
};
std::optional<CalendarDay> First_Epoch_Day(const std::string& log, std::optional<int32_t> gpsWeek);

}  // namespace zer2ivi::job
