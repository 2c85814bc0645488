// zer2ivi inspect: what the RINEX observation header of a binary observation
// file will say, without leaving any RINEX file behind.
//
// The tool knows the file only through the public library: it converts the
// file with all five observation types into a private temporary directory,
// together with an ephemeris file that holds no ephemeris (so the week state
// is left as it is), reads back the header the library wrote and removes
// everything again.  The channel count and receiver code come from the
// binary file's own header, which the RINEX header does not carry.
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli_support.h"
#include "commands.h"
#include "obs_header_reader.h"
#include "temp_files.h"
#include "zeb_header_peek.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::cli {
namespace {

constexpr const char* kCommand = "inspect";

constexpr const char* kUsage = "usage: zer2ivi inspect OBSFILE [--json] [--gps-week N]\n";

constexpr const char* kHelp =
    "Prints what the RINEX observation header of OBSFILE will say: receiver,\n"
    "channels, epochs, first and last epoch, interval, satellites with their\n"
    "observation counts per type, the types present and the approximate position.\n"
    "\n"
    "      --json           one JSON object instead of text\n"
    "      --gps-week N     GPS week of the first epoch, for calendar dates\n"
    "                       (without it only the seconds of week are known)\n"
    "\n"
    "Exit status: 0 read, 1 the file cannot be converted, 2 usage error.\n";

const std::vector<OptionSpec> kOptions = {
    {"json", 0, false},
    {"gps-week", 0, true},
};

// A tagged ephemeris file without any ephemeris: converts to a navigation
// file with zero records and does not touch the library's base week.
constexpr const char* kEmptyEphemeris = "$EPHREC\n";


struct EpochReport {
    bool known = false;         // false for a file without epochs
    bool weekKnown = false;     // --gps-week given: calendar and week are real
    std::string calendar;       // "2004-06-10 00:00:00.000000"
    int64_t gpsWeek = 0;
    int64_t weekOffset = 0;     // weeks after the first epoch's week
    double secondsOfWeek = 0.0;
};

struct Report {
    std::string file;
    std::string receiver;
    int32_t receiverType = 0;
    int32_t channels = 0;
    int32_t epochs = 0;
    std::string satelliteSystem;
    EpochReport first, last;
    std::optional<int32_t> intervalSeconds;
    std::vector<std::string> types;
    std::vector<SatelliteCounts> satellites;
    std::array<double, 3> approxPosition{};
};

std::string Calendar_Text(const EpochTime& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%09.6f", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text;
}

EpochReport Describe_Epoch(const EpochTime& time, int64_t firstWeek, bool weekKnown) {
    EpochReport report;
    report.known = true;
    report.weekKnown = weekKnown;
    const GpsWeekSeconds gps = Calendar_To_Gps(time);
    report.calendar = Calendar_Text(time);
    report.gpsWeek = gps.week;
    report.weekOffset = gps.week - firstWeek;
    report.secondsOfWeek = gps.seconds;
    return report;
}

std::string Json_Number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Json_Epoch(const EpochReport& epoch) {
    if (!epoch.known) return "null";
    std::string json = "{";
    json += "\"calendar\": " + (epoch.weekKnown ? Json_String(epoch.calendar) : "null");
    json += ", \"gps_week\": " + (epoch.weekKnown ? std::to_string(epoch.gpsWeek) : "null");
    json += ", \"week_offset\": " + std::to_string(epoch.weekOffset);
    json += ", \"seconds_of_week\": " + Json_Number(epoch.secondsOfWeek, 6);
    return json + "}";
}

void Print_Json(const Report& report) {
    std::string json = "{\n";
    json += "  \"file\": " + Json_String(report.file) + ",\n";
    json += "  \"receiver\": " + Json_String(report.receiver) + ",\n";
    json += "  \"receiver_type\": " + std::to_string(report.receiverType) + ",\n";
    json += "  \"channels\": " + std::to_string(report.channels) + ",\n";
    json += "  \"epochs\": " + std::to_string(report.epochs) + ",\n";
    json += "  \"satellite_system\": " + Json_String(report.satelliteSystem) + ",\n";
    json += "  \"first_epoch\": " + Json_Epoch(report.first) + ",\n";
    json += "  \"last_epoch\": " + Json_Epoch(report.last) + ",\n";
    json += "  \"interval_s\": " +
            (report.intervalSeconds ? std::to_string(*report.intervalSeconds) : "null") + ",\n";
    json += "  \"types\": [";
    for (size_t i = 0; i < report.types.size(); ++i)
        json += (i > 0 ? ", " : "") + Json_String(report.types[i]);
    json += "],\n  \"satellites\": [";
    for (size_t s = 0; s < report.satellites.size(); ++s) {
        const SatelliteCounts& satellite = report.satellites[s];
        json += std::string(s > 0 ? "," : "") + "\n    {\"prn\": " + Json_String(satellite.label) +
                ", \"observations\": {";
        for (size_t i = 0; i < report.types.size() && i < satellite.counts.size(); ++i)
            json += (i > 0 ? ", " : "") + Json_String(report.types[i]) + ": " +
                    std::to_string(satellite.counts[i]);
        json += "}}";
    }
    json += report.satellites.empty() ? "],\n" : "\n  ],\n";
    json += "  \"approx_position_xyz\": [" + Json_Number(report.approxPosition[0], 2) + ", " +
            Json_Number(report.approxPosition[1], 2) + ", " +
            Json_Number(report.approxPosition[2], 2) + "]\n";
    json += "}\n";
    std::fputs(json.c_str(), stdout);
}

std::string Text_Epoch(const EpochReport& epoch) {
    if (!epoch.known) return "none";
    char text[160];
    if (epoch.weekKnown) {
        std::snprintf(text, sizeof text, "%s  (GPS week %" PRId64 ", %.6f s of week)",
                      epoch.calendar.c_str(), epoch.gpsWeek, epoch.secondsOfWeek);
    } else if (epoch.weekOffset == 0) {
        std::snprintf(text, sizeof text, "%.6f s of week", epoch.secondsOfWeek);
    } else {
        std::snprintf(text, sizeof text, "%.6f s of week, %" PRId64 " week(s) after the first",
                      epoch.secondsOfWeek, epoch.weekOffset);
    }
    return text;
}

void Print_Text(const Report& report) {
    std::printf("file:             %s\n", report.file.c_str());
    std::printf("receiver:         %s (type %d)\n", report.receiver.c_str(), report.receiverType);
    std::printf("channels:         %d\n", report.channels);
    std::printf("epochs:           %d\n", report.epochs);
    std::printf("first epoch:      %s\n", Text_Epoch(report.first).c_str());
    std::printf("last epoch:       %s\n", Text_Epoch(report.last).c_str());
    if (report.first.known && !report.first.weekKnown)
        std::printf("                  (give --gps-week for the dates)\n");
    if (report.intervalSeconds)
        std::printf("interval:         %d s\n", *report.intervalSeconds);
    else
        std::printf("interval:         not stated (under 1 s, or fewer than 3 epochs)\n");
    std::printf("satellite system: %s\n", report.satelliteSystem.c_str());
    std::string types;
    for (const std::string& type : report.types) types += (types.empty() ? "" : " ") + type;
    std::printf("types present:    %s\n", types.empty() ? "none" : types.c_str());
    std::printf("approx position:  X %.2f  Y %.2f  Z %.2f m\n", report.approxPosition[0],
                report.approxPosition[1], report.approxPosition[2]);
    std::printf("satellites:       %zu\n", report.satellites.size());
    if (report.satellites.empty()) return;
    std::printf("  sat");
    for (const std::string& type : report.types) std::printf("%8s", type.c_str());
    std::printf("\n");
    for (const SatelliteCounts& satellite : report.satellites) {
        std::printf("  %s", satellite.label.c_str());
        for (int32_t count : satellite.counts) std::printf("%8d", count);
        std::printf("\n");
    }
}

}  // namespace

int Run_Inspect(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (auto exitCode = Start_Command(kCommand, arguments, kOptions, kUsage, kHelp, line))
        return *exitCode;
    if (line.positionals.size() != 1)
        return Usage_Error(kCommand, line.positionals.empty() ? "needs OBSFILE" : "too many arguments",
                           kUsage);
    const std::string& input = line.positionals[0];
    std::optional<int32_t> gpsWeek;
    if (auto error = Gps_Week_Option(line, gpsWeek)) return Usage_Error(kCommand, *error, kUsage);
    if (auto error = Check_Input_File("OBSFILE", input)) return File_Error(kCommand, *error);
    ZebLogExtent extent;
    if (auto error = Scan_Zeb_Log(input, extent))
        return File_Error(kCommand, "OBSFILE '" + input + "': " + *error);

    auto directory = TempDirectory::Create();
    if (!directory) {
        std::fprintf(stderr, "zer2ivi inspect: cannot create a temporary directory\n");
        return kExitConversionFailed;
    }
    const std::string ephemerisPath = directory->file("none.eph");
    const std::string obsPath = directory->file("inspect.o");
    const std::string navPath = directory->file("inspect.n");
    {
        std::ofstream ephemeris(ephemerisPath, std::ios::binary);
        ephemeris << kEmptyEphemeris;
        if (!ephemeris.flush()) {
            std::fprintf(stderr, "zer2ivi inspect: cannot write %s\n", ephemerisPath.c_str());
            return kExitConversionFailed;
        }
    }

    ObsSettings obs;
    NavSettings nav;
    Start_Settings(obs, nav, gpsWeek);
    if (!Copy_Field(obs.zebFileName, sizeof obs.zebFileName, input) ||
        !Copy_Field(obs.rinexObsFileName, sizeof obs.rinexObsFileName, obsPath) ||
        !Copy_Field(nav.ephemerisFileName, sizeof nav.ephemerisFileName, ephemerisPath) ||
        !Copy_Field(nav.rinexNavFileName, sizeof nav.rinexNavFileName, navPath)) {
        std::fprintf(stderr, "zer2ivi inspect: temporary path %s too long\n",
                     directory->path().c_str());
        return kExitConversionFailed;
    }
    obs.obsTypeMask = kAllObsTypes;
    std::string message;
    if (!Run_Conversion(obs, nav, message)) return kExitConversionFailed;

    ObsHeaderFacts facts;
    if (auto error = Read_Obs_Header(obsPath, facts)) {
        std::fprintf(stderr, "zer2ivi inspect: %s\n", error->c_str());
        return kExitConversionFailed;
    }
    Report report;
    report.file = input;
    report.epochs = Success_Epoch_Count(message).value_or(0);
    report.receiver = facts.receiverName;
    if (auto header = Peek_Zeb_Header(input)) {
        report.receiverType = header->receiverType;
        report.channels = header->channelCount;
    }
    report.satelliteSystem = facts.satelliteSystem;
    if (report.epochs > 0) {
        const int64_t firstWeek = Calendar_To_Gps(facts.firstObs).week;
        report.first = Describe_Epoch(facts.firstObs, firstWeek, gpsWeek.has_value());
        report.last = Describe_Epoch(facts.lastObs, firstWeek, gpsWeek.has_value());
    }
    report.intervalSeconds = facts.intervalSeconds;
    report.types = facts.types;
    report.satellites = facts.satellites;
    report.approxPosition = facts.approxPosition;
    if (line.has("json"))
        Print_Json(report);
    else
        Print_Text(report);
    return kExitSuccess;
}

}  // namespace zer2ivi::cli
