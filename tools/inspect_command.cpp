// zer2ivi inspect: what the RINEX observation header of a binary observation
// file will say, without leaving any RINEX file behind: the job converts it
// into a private temporary directory and gives the conversion's result.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_support.h"
#include "commands.h"
#include "gpstime/gpstime.h"
#include "job/conversion_job.h"

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


struct SatelliteCounts {
    std::string label;  // "G04"
    std::vector<int32_t> counts;
};

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

EpochReport Describe_Epoch(const api::GpsTime& time, int64_t firstWeek, bool weekKnown) {
    EpochReport report;
    report.known = true;
    report.weekKnown = weekKnown;
    int32_t hour = 0, minute = 0, month = 0, day = 0, year = 0;
    double second = 0.0;
    Gps_To_Calendar(time.week, time.secondsOfWeek, hour, minute, second, month, day, year);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%09.6f", year, month, day, hour,
                  minute, second);
    report.calendar = text;
    report.gpsWeek = time.week;
    report.weekOffset = time.week - firstWeek;
    report.secondsOfWeek = time.secondsOfWeek;
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
    const job::LogFacts facts = job::Inspect_Log(input, gpsWeek);
    if (!facts.error.empty()) return File_Error(kCommand, facts.error);
    const api::ObservationResult& result = facts.observations;
    for (const std::string& warning : result.warnings)
        std::fprintf(stderr, "zer2ivi inspect: warning: OBSFILE '%s': %s\n", input.c_str(),
                     warning.c_str());

    Report report;
    report.file = input;
    report.epochs = result.epochsWritten;
    report.receiver = result.receiverName;
    report.receiverType = result.logHeader.receiverType;
    report.channels = result.logHeader.channelCount;
    report.satelliteSystem = result.systemLetter;
    if (report.epochs > 0) {
        report.first = Describe_Epoch(result.first, result.first.week, gpsWeek.has_value());
        report.last = Describe_Epoch(result.last, result.first.week, gpsWeek.has_value());
    }
    // The header states the interval in whole seconds from 1 s on.
    if (result.interval >= 1.0)
        report.intervalSeconds = static_cast<int32_t>(std::floor(result.interval + 0.5));
    report.types = Obs_Type_Names(result.typesWritten);
    for (const api::SatelliteCounts& satellite : result.satellites) {
        SatelliteCounts counts;
        counts.label = satellite.label;
        for (char& c : counts.label)
            if (c == ' ') c = '0';
        for (size_t i = 0; i < job::kObsTypeNames.size(); ++i)
            if ((result.typesWritten & job::kObsTypeNames[i].bit) != 0)
                counts.counts.push_back(satellite.values[i]);
        report.satellites.push_back(counts);
    }
    report.approxPosition = result.approxPosition;
    if (line.has("json"))
        Print_Json(report);
    else
        Print_Text(report);
    return kExitSuccess;
}

}  // namespace zer2ivi::cli
