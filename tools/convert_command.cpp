// zer2ivi convert: fills the two settings records from the command line and
// calls Zeb_To_Rinex once.
//
// Output names that are not given follow the RINEX 2 convention and need the
// date of the first epoch, which is only certain once the library has dated
// the epochs (the GPS week may come from the ephemeris file).  So those files
// are written under temporary names in the current directory and renamed
// after the conversion, from the "TIME OF FIRST OBS" line the library wrote.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_support.h"
#include "commands.h"
#include "obs_header_reader.h"
#include "rinex_names.h"
#include "temp_files.h"
#include "zeb_header_peek.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::cli {
namespace {

constexpr const char* kCommand = "convert";

constexpr const char* kUsage =
    "usage: zer2ivi convert OBSFILE EPHEMERISFILE [-o RINEX_OBS] [-n RINEX_NAV]\n"
    "         [--run-by TEXT] [--marker TEXT] [--observer TEXT] [--agency TEXT]\n"
    "         [--antenna-height METRES] [--types C1,L1,L2,P2,D1] [--gps-week N]\n";

constexpr const char* kHelp =
    "Converts a binary observation file and a broadcast ephemeris file (tagged\n"
    "or plain form) into a RINEX 2 observation file and navigation file.\n"
    "\n"
    "  -o, --obs-file PATH      RINEX observation file to write\n"
    "  -n, --nav-file PATH      RINEX navigation file to write\n"
    "      --run-by TEXT        RUN BY of both headers (default: the user name; 20 characters)\n"
    "      --marker TEXT        MARKER NAME (60 characters)\n"
    "      --observer TEXT      OBSERVER (20 characters)\n"
    "      --agency TEXT        AGENCY (40 characters)\n"
    "      --antenna-height M   antenna height H in metres (default 0)\n"
    "      --types LIST         observation types wanted, of C1,L1,L2,P2,D1 (default: all)\n"
    "      --gps-week N         GPS week of the first epoch (default: the week of the\n"
    "                           fourth ephemeris in EPHEMERISFILE)\n"
    "\n"
    "Without -o/-n the files are named ssssdddf.yyo and ssssdddf.yyn in the current\n"
    "directory: ssss = the first four letters or digits of the marker name (or of\n"
    "OBSFILE's name), lower case, filled up with '_'; ddd = day of year and yy = year\n"
    "of the first epoch; f = 0.\n"
    "Exit status: 0 converted, 1 conversion failed, 2 usage error.\n";

const std::vector<OptionSpec> kOptions = {
    {"obs-file", 'o', true},   {"nav-file", 'n', true}, {"run-by", 0, true},
    {"marker", 0, true},       {"observer", 0, true},   {"agency", 0, true},
    {"antenna-height", 0, true}, {"types", 0, true},    {"gps-week", 0, true},
};

constexpr size_t kRunByColumns = 20;
constexpr size_t kMarkerColumns = 60;
constexpr size_t kObserverColumns = 20;
constexpr size_t kAgencyColumns = 40;
constexpr const char* kTempPrefix = ".zer2ivi-";

struct ConvertRequest {
    std::string obsInput;
    std::string ephemerisInput;
    std::optional<std::string> obsOutput;
    std::optional<std::string> navOutput;
    std::string runBy;
    std::string marker;
    std::string observer;
    std::string agency;
    double antennaHeight = 0.0;
    uint32_t types = kAllObsTypes;
    std::optional<int32_t> gpsWeek;
};

bool Same_File(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(a, error) && fs::exists(b, error)) return fs::equivalent(a, b, error);
    // weakly_canonical leaves a relative path relative when no part of it
    // exists ("x.o" but "/cwd/x.o" for "./x.o"): make both absolute first.
    const fs::path canonicalA = fs::weakly_canonical(fs::absolute(a, error), error);
    if (error) return false;
    const fs::path canonicalB = fs::weakly_canonical(fs::absolute(b, error), error);
    return !error && canonicalA == canonicalB;
}

// Turns the command line into a request; the error text for a usage error.
std::optional<std::string> Build_Request(const CommandLine& line, ConvertRequest& request) {
    if (line.positionals.size() != 2)
        return line.positionals.size() < 2 ? "needs OBSFILE and EPHEMERISFILE"
                                           : "too many arguments";
    request.obsInput = line.positionals[0];
    request.ephemerisInput = line.positionals[1];
    if (auto error = Check_Input_File("OBSFILE", request.obsInput)) return error;
    if (auto error = Check_Input_File("EPHEMERISFILE", request.ephemerisInput)) return error;

    request.obsOutput = line.value("obs-file");
    request.navOutput = line.value("nav-file");
    for (const auto& output : {request.obsOutput, request.navOutput}) {
        if (!output) continue;
        if (output->empty()) return std::string("an output path is empty");
        if (output->size() >= sizeof(ObsSettings::rinexObsFileName))
            return "output path '" + *output + "' longer than 255 characters";
        // The library truncates its outputs before it reads its inputs.
        for (const std::string& input : {request.obsInput, request.ephemerisInput})
            if (Same_File(*output, input))
                return "output '" + *output + "' is the input file '" + input + "'";
    }
    if (request.obsOutput && request.navOutput && Same_File(*request.obsOutput, *request.navOutput))
        return "-o and -n name the same file";

    if (auto runBy = line.value("run-by")) {
        if (auto error = Check_Header_Text("--run-by", *runBy, kRunByColumns)) return error;
        request.runBy = *runBy;
    } else {
        request.runBy = Printable_Prefix(Current_User_Name(), kRunByColumns);
    }
    struct TextOption {
        const char* name;
        size_t columns;
        std::string* target;
    };
    for (const TextOption& option : {TextOption{"marker", kMarkerColumns, &request.marker},
                                     TextOption{"observer", kObserverColumns, &request.observer},
                                     TextOption{"agency", kAgencyColumns, &request.agency}}) {
        const auto text = line.value(option.name);
        if (!text) continue;
        if (auto error = Check_Header_Text(std::string("--") + option.name, *text, option.columns))
            return error;
        *option.target = *text;
    }
    if (auto height = line.value("antenna-height"))
        if (auto error = Parse_Antenna_Height(*height, request.antennaHeight)) return error;
    if (auto types = line.value("types"))
        if (auto error = Parse_Obs_Types(*types, request.types)) return error;
    return Gps_Week_Option(line, request.gpsWeek);
}

// The conventional names, from the observation file the library wrote.
std::optional<std::string> Conventional_Names(const ConvertRequest& request,
                                              const std::string& obsWritten, int32_t epochs,
                                              std::string& obsName, std::string& navName) {
    int32_t year = 0, month = 0, day = 0;
    if (epochs > 0) {
        ObsHeaderFacts facts;
        if (auto error = Read_Obs_Header(obsWritten, facts)) return error;
        year = facts.firstObs.year;
        month = facts.firstObs.month;
        day = facts.firstObs.day;
    } else if (auto header = Peek_Zeb_Header(request.obsInput)) {
        // No epoch, no first epoch: the day the log was created is the best
        // name there is.
        year = header->createdYear;
        month = header->createdMonth;
        day = header->createdDay;
    }
    const std::string station =
        Station_Designator(request.marker.empty() ? File_Stem(request.obsInput) : request.marker);
    obsName = Rinex_File_Name(station, year, month, day, 'o');
    navName = Rinex_File_Name(station, year, month, day, 'n');
    if (obsName.empty())
        return "no valid date of the first epoch (" + std::to_string(year) + "-" +
               std::to_string(month) + "-" + std::to_string(day) + ") to name the files by";
    return std::nullopt;
}

}  // namespace

int Run_Convert(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (auto exitCode = Start_Command(kCommand, arguments, kOptions, kUsage, kHelp, line))
        return *exitCode;
    ConvertRequest request;
    if (auto error = Build_Request(line, request)) return Usage_Error(kCommand, *error, kUsage);

    // Outputs without a given name go to temporary files first.
    FilesToRemove temporaries;
    std::string obsPath, navPath;
    for (auto [given, path, suffix] :
         {std::tuple{&request.obsOutput, &obsPath, ".o"}, std::tuple{&request.navOutput, &navPath, ".n"}}) {
        if (*given) {
            *path = **given;
            continue;
        }
        const auto temporary = Create_Unique_File(".", kTempPrefix, suffix);
        if (!temporary) {
            std::fprintf(stderr, "zer2ivi convert: cannot create a file in the current directory\n");
            return kExitConversionFailed;
        }
        *path = *temporary;
        temporaries.add(*temporary);
    }

    ObsSettings obs;
    NavSettings nav;
    Start_Settings(obs, nav, request.gpsWeek);
    // Every text was checked against its field above; Copy_Field bounds anyway.
    Copy_Field(obs.zebFileName, sizeof obs.zebFileName, request.obsInput);
    Copy_Field(obs.rinexObsFileName, sizeof obs.rinexObsFileName, obsPath);
    Copy_Field(obs.runBy, sizeof obs.runBy, request.runBy);
    Copy_Field(obs.markerName, sizeof obs.markerName, request.marker);
    Copy_Field(obs.observer, sizeof obs.observer, request.observer);
    Copy_Field(obs.agency, sizeof obs.agency, request.agency);
    obs.antennaHeight = request.antennaHeight;
    obs.obsTypeMask = request.types;
    Copy_Field(nav.ephemerisFileName, sizeof nav.ephemerisFileName, request.ephemerisInput);
    Copy_Field(nav.rinexNavFileName, sizeof nav.rinexNavFileName, navPath);
    Copy_Field(nav.runBy, sizeof nav.runBy, request.runBy);

    std::string message;
    if (!Run_Conversion(obs, nav, message)) return kExitConversionFailed;  // temporaries are removed

    std::string obsFinal = obsPath, navFinal = navPath;
    std::optional<std::string> error;
    if (!request.obsOutput || !request.navOutput) {
        const std::optional<int32_t> epochs = Success_Epoch_Count(message);
        std::string obsName, navName;
        error = Conventional_Names(request, obsPath, epochs.value_or(0), obsName, navName);
        if (!request.obsOutput) obsFinal = obsName;
        if (!request.navOutput) navFinal = navName;
    }
    if (!error) {
        for (const std::string& final : {obsFinal, navFinal})
            for (const std::string& input : {request.obsInput, request.ephemerisInput})
                if (Same_File(final, input)) error = "'" + final + "' is the input file";
    }
    if (!error && Same_File(obsFinal, navFinal))
        error = "both files would be named '" + obsFinal + "'";
    if (!error && !request.obsOutput && std::rename(obsPath.c_str(), obsFinal.c_str()) != 0)
        error = "cannot rename " + obsPath + " to " + obsFinal;
    if (!error && !request.navOutput && std::rename(navPath.c_str(), navFinal.c_str()) != 0)
        error = "cannot rename " + navPath + " to " + navFinal;
    if (error) {
        // The conversion itself succeeded: keep what it wrote.
        temporaries.release();
        std::fprintf(stderr, "%s\nzer2ivi convert: %s; the files are left as %s and %s\n",
                     message.c_str(), error->c_str(), obsPath.c_str(), navPath.c_str());
        return kExitConversionFailed;
    }
    temporaries.release();
    // The library named the observation file by the path it was given; the
    // user knows it by its final name.
    if (!request.obsOutput && message.size() >= obsPath.size() &&
        message.compare(message.size() - obsPath.size(), obsPath.size(), obsPath) == 0)
        message.replace(message.size() - obsPath.size(), obsPath.size(), obsFinal);
    std::printf("%s\nobservation file: %s\nnavigation file: %s\n", message.c_str(),
                obsFinal.c_str(), navFinal.c_str());
    return kExitSuccess;
}

}  // namespace zer2ivi::cli
