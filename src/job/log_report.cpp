#include "job/log_report.h"

#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "gpstime/gpstime.h"
#include "job/user_values.h"
#include "text/json_text.h"

namespace zer2ivi::job {
namespace {

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
    json += "\"calendar\": " + (epoch.weekKnown ? text::Json_String(epoch.calendar) : "null");
    json += ", \"gps_week\": " + (epoch.weekKnown ? std::to_string(epoch.gpsWeek) : "null");
    json += ", \"week_offset\": " + std::to_string(epoch.weekOffset);
    json += ", \"seconds_of_week\": " + Json_Number(epoch.secondsOfWeek, 6);
    return json + "}";
}

std::string Json_Text(const Report& report) {
    std::string json = "{\n";
    json += "  \"file\": " + text::Json_String(report.file) + ",\n";
    json += "  \"receiver\": " + text::Json_String(report.receiver) + ",\n";
    json += "  \"receiver_type\": " + std::to_string(report.receiverType) + ",\n";
    json += "  \"channels\": " + std::to_string(report.channels) + ",\n";
    json += "  \"epochs\": " + std::to_string(report.epochs) + ",\n";
    json += "  \"satellite_system\": " + text::Json_String(report.satelliteSystem) + ",\n";
    json += "  \"first_epoch\": " + Json_Epoch(report.first) + ",\n";
    json += "  \"last_epoch\": " + Json_Epoch(report.last) + ",\n";
    json += "  \"interval_s\": " +
            (report.intervalSeconds ? std::to_string(*report.intervalSeconds) : "null") + ",\n";
    json += "  \"types\": [";
    for (size_t i = 0; i < report.types.size(); ++i)
        json += (i > 0 ? ", " : "") + text::Json_String(report.types[i]);
    json += "],\n  \"satellites\": [";
    for (size_t s = 0; s < report.satellites.size(); ++s) {
        const SatelliteCounts& satellite = report.satellites[s];
        json += std::string(s > 0 ? "," : "") + "\n    {\"prn\": " + text::Json_String(satellite.label) +
                ", \"observations\": {";
        for (size_t i = 0; i < report.types.size() && i < satellite.counts.size(); ++i)
            json += (i > 0 ? ", " : "") + text::Json_String(report.types[i]) + ": " +
                    std::to_string(satellite.counts[i]);
        json += "}}";
    }
    json += report.satellites.empty() ? "],\n" : "\n  ],\n";
    json += "  \"approx_position_xyz\": [" + Json_Number(report.approxPosition[0], 2) + ", " +
            Json_Number(report.approxPosition[1], 2) + ", " +
            Json_Number(report.approxPosition[2], 2) + "]\n";
    json += "}\n";
    return json;
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

std::string Plain_Text(const Report& report) {
    std::string out;
    char line[256];
    const auto print = [&](auto... values) {
        std::snprintf(line, sizeof line, values...);
        out += line;
    };
    print("file:             %s\n", report.file.c_str());
    print("receiver:         %s (type %d)\n", report.receiver.c_str(), report.receiverType);
    print("channels:         %d\n", report.channels);
    print("epochs:           %d\n", report.epochs);
    print("first epoch:      %s\n", Text_Epoch(report.first).c_str());
    print("last epoch:       %s\n", Text_Epoch(report.last).c_str());
    if (report.first.known && !report.first.weekKnown)
        print("                  (give --gps-week for the dates)\n");
    if (report.intervalSeconds)
        print("interval:         %d s\n", *report.intervalSeconds);
    else
        print("interval:         not stated (under 1 s, or fewer than 3 epochs)\n");
    print("satellite system: %s\n", report.satelliteSystem.c_str());
    std::string types;
    for (const std::string& type : report.types) types += (types.empty() ? "" : " ") + type;
    print("types present:    %s\n", types.empty() ? "none" : types.c_str());
    print("approx position:  X %.2f  Y %.2f  Z %.2f m\n", report.approxPosition[0],
                report.approxPosition[1], report.approxPosition[2]);
    print("satellites:       %zu\n", report.satellites.size());
    if (report.satellites.empty()) return out;
    print("  sat");
    for (const std::string& type : report.types) print("%8s", type.c_str());
    print("\n");
    for (const SatelliteCounts& satellite : report.satellites) {
        print("  %s", satellite.label.c_str());
        for (int32_t count : satellite.counts) print("%8d", count);
        print("\n");
    }
    return out;
}

Report Report_Of(const std::string& file, const api::ObservationResult& result, bool weekKnown) {
    Report report;
    report.file = file;
    report.epochs = result.epochsWritten;
    report.receiver = result.receiverName;
    report.receiverType = result.logHeader.receiverType;
    report.channels = result.logHeader.channelCount;
    report.satelliteSystem = result.systemLetter;
    if (report.epochs > 0) {
        report.first = Describe_Epoch(result.first, result.first.week, weekKnown);
        report.last = Describe_Epoch(result.last, result.first.week, weekKnown);
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
        for (size_t i = 0; i < kObsTypeNames.size(); ++i)
            if ((result.typesWritten & kObsTypeNames[i].bit) != 0)
                counts.counts.push_back(satellite.values[i]);
        report.satellites.push_back(counts);
    }
    report.approxPosition = result.approxPosition;
    return report;
}

}  // namespace

std::string Log_Report_Text(const std::string& file, const api::ObservationResult& result, bool weekKnown) {
    return Plain_Text(Report_Of(file, result, weekKnown));
}

std::string Log_Report_Json(const std::string& file, const api::ObservationResult& result, bool weekKnown) {
    return Json_Text(Report_Of(file, result, weekKnown));
}

}  // namespace zer2ivi::job
