#include "obs_header_reader.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>

#include "rinex2/gps_ticks.h"

namespace zer2ivi::cli {
namespace {

constexpr size_t kLabelColumn = 60;
constexpr size_t kTypeWidth = 6;
constexpr size_t kCountWidth = 6;
constexpr size_t kMaxHeaderLines = 1000;
constexpr std::string_view kSuccessPrefix = "SUCCESS: Wrote ";
constexpr std::string_view kSuccessMiddle = " epochs to RINEX file ";

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\r')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::string_view Columns(std::string_view line, size_t start, size_t width) {
    if (start >= line.size()) return {};
    return line.substr(start, width);
}

template <typename T>
bool Parse_Number(std::string_view field, T& value) {
    field = Trim(field);
    if (field.empty()) return false;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    return error == std::errc{} && end == field.data() + field.size();
}

bool Parse_Epoch_Time(std::string_view content, EpochTime& time) {
    return Parse_Number(Columns(content, 0, 6), time.year) &&
           Parse_Number(Columns(content, 6, 6), time.month) &&
           Parse_Number(Columns(content, 12, 6), time.day) &&
           Parse_Number(Columns(content, 18, 6), time.hour) &&
           Parse_Number(Columns(content, 24, 6), time.minute) &&
           Parse_Number(Columns(content, 30, 12), time.second);
}

}  // namespace

std::optional<std::string> Parse_Obs_Header(std::string_view text, ObsHeaderFacts& facts) {
    facts = ObsHeaderFacts{};
    bool sawVersion = false, sawTypes = false, sawFirst = false, sawLast = false,
         sawPosition = false, sawEnd = false;
    size_t lineCount = 0;
    while (!text.empty() && !sawEnd && lineCount < kMaxHeaderLines) {
        const size_t newline = text.find('\n');
        const std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        ++lineCount;
        const std::string_view content = Columns(line, 0, kLabelColumn);
        const std::string_view label = Trim(Columns(line, kLabelColumn, 20));
        if (label == "RINEX VERSION / TYPE") {
            facts.satelliteSystem = std::string(Trim(Columns(content, 40, 20)));
            sawVersion = true;
        } else if (label == "MARKER NAME") {
            facts.markerName = std::string(Trim(content));
        } else if (label == "REC # / TYPE / VERS") {
            facts.receiverName = std::string(Trim(Columns(content, 20, 20)));
        } else if (label == "APPROX POSITION XYZ") {
            sawPosition = Parse_Number(Columns(content, 0, 14), facts.approxPosition[0]) &&
                          Parse_Number(Columns(content, 14, 14), facts.approxPosition[1]) &&
                          Parse_Number(Columns(content, 28, 14), facts.approxPosition[2]);
            if (!sawPosition) return "malformed APPROX POSITION XYZ line";
        } else if (label == "# / TYPES OF OBSERV") {
            int32_t count = 0;
            if (!Parse_Number(Columns(content, 0, 6), count) || count < 0 || count > 9)
                return "malformed # / TYPES OF OBSERV line";
            for (int32_t i = 0; i < count; ++i) {
                const std::string_view type =
                    Trim(Columns(content, kTypeWidth + kTypeWidth * static_cast<size_t>(i), kTypeWidth));
                if (type.empty()) return "malformed # / TYPES OF OBSERV line";
                facts.types.emplace_back(type);
            }
            sawTypes = true;
        } else if (label == "INTERVAL") {
            int32_t interval = 0;
            if (!Parse_Number(Columns(content, 0, 6), interval)) return "malformed INTERVAL line";
            facts.intervalSeconds = interval;
        } else if (label == "TIME OF FIRST OBS") {
            if (!Parse_Epoch_Time(content, facts.firstObs)) return "malformed TIME OF FIRST OBS line";
            sawFirst = true;
        } else if (label == "TIME OF LAST OBS") {
            if (!Parse_Epoch_Time(content, facts.lastObs)) return "malformed TIME OF LAST OBS line";
            sawLast = true;
        } else if (label == "# OF SATELLITES") {
            if (!Parse_Number(Columns(content, 0, 6), facts.satelliteCount))
                return "malformed # OF SATELLITES line";
        } else if (label == "PRN / # OF OBS") {
            SatelliteCounts satellite;
            satellite.label = std::string(Columns(content, 3, 3));
            if (satellite.label.size() != 3) return "malformed PRN / # OF OBS line";
            for (char& c : satellite.label)
                if (c == ' ') c = '0';
            for (size_t i = 0; i < facts.types.size(); ++i) {
                int32_t count = 0;
                if (!Parse_Number(Columns(content, 6 + kCountWidth * i, kCountWidth), count))
                    return "malformed PRN / # OF OBS line";
                satellite.counts.push_back(count);
            }
            facts.satellites.push_back(std::move(satellite));
        } else if (label == "END OF HEADER") {
            sawEnd = true;
        }
    }
    if (!sawVersion) return "no RINEX VERSION / TYPE line";
    if (!sawPosition) return "no APPROX POSITION XYZ line";
    if (!sawTypes) return "no # / TYPES OF OBSERV line";
    if (!sawFirst) return "no TIME OF FIRST OBS line";
    if (!sawLast) return "no TIME OF LAST OBS line";
    if (!sawEnd) return "no END OF HEADER line";
    return std::nullopt;
}

std::optional<std::string> Read_Obs_Header(const std::string& path, ObsHeaderFacts& facts) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot read " + path;
    // The header is at most some hundred lines of 80 characters; the epochs
    // that follow are not needed.
    std::string text;
    std::string line;
    while (std::getline(in, line)) {
        text += line;
        text += '\n';
        if (line.size() >= kLabelColumn &&
            Trim(Columns(line, kLabelColumn, 20)) == "END OF HEADER")
            break;
        if (text.size() > kMaxHeaderLines * 82) break;
    }
    if (auto error = Parse_Obs_Header(text, facts)) return path + ": " + *error;
    return std::nullopt;
}

std::optional<int32_t> Success_Epoch_Count(std::string_view message) {
    if (message.substr(0, kSuccessPrefix.size()) != kSuccessPrefix) return std::nullopt;
    message.remove_prefix(kSuccessPrefix.size());
    const size_t middle = message.find(kSuccessMiddle);
    if (middle == std::string_view::npos) return std::nullopt;
    int32_t count = 0;
    const std::string_view digits = message.substr(0, middle);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
    if (error != std::errc{} || end != digits.data() + digits.size() || count < 0)
        return std::nullopt;
    return count;
}

GpsWeekSeconds Calendar_To_Gps(const EpochTime& time) {
    const int64_t days =
        rinex2::Days_From_Civil(time.year, time.month, time.day) - rinex2::kGpsEpochDays;
    GpsWeekSeconds result;
    result.week = days >= 0 ? days / 7 : -((-days + 6) / 7);
    const int64_t dayOfWeek = days - result.week * 7;
    result.seconds = static_cast<double>(dayOfWeek * 86400 + time.hour * 3600 + time.minute * 60) +
                     time.second;
    return result;
}

}  // namespace zer2ivi::cli
