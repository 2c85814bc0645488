#include "obs_header_reader.h"

#include <charconv>

#include "rinex2/fields.h"
#include "rinex2/gps_ticks.h"
#include "rinex2/obs_labels.h"
#include "rinex2/obs_reader.h"

namespace zer2ivi::cli {
namespace {

constexpr std::string_view kSuccessPrefix = "SUCCESS: Wrote ";
constexpr std::string_view kSuccessMiddle = " epochs to RINEX file ";

using rinex2::HeaderRecord;

// The records the tool reports on; a header without one is refused.
struct RequiredRecord {
    HeaderRecord record;
    const char* missing;
};
constexpr RequiredRecord kRequired[] = {
    {HeaderRecord::kApproxPosition, "no APPROX POSITION XYZ line"},
    {HeaderRecord::kFirstObs, "no TIME OF FIRST OBS line"},
    {HeaderRecord::kLastObs, "no TIME OF LAST OBS line"},
};

EpochTime To_Epoch_Time(rinex2::Ticks ticks) {
    const rinex2::CalendarTime calendar = rinex2::Ticks_To_Calendar(ticks);
    EpochTime time;
    time.year = calendar.year;
    time.month = calendar.month;
    time.day = calendar.day;
    time.hour = calendar.hour;
    time.minute = calendar.minute;
    time.second = static_cast<double>(calendar.secondTicks) /
                  static_cast<double>(rinex2::kTicksPerSecond);
    return time;
}

// The facts from a header read by the observation model.
std::optional<std::string> Facts_Of(const rinex2::ObsHeader& header, ObsHeaderFacts& facts) {
    for (const RequiredRecord& required : kRequired)
        if (!header.has(required.record)) return std::string(required.missing);
    facts.satelliteSystem = std::string(rinex2::Trim(std::string_view(&header.satelliteSystem, 1)));
    facts.markerName = std::string(rinex2::Trim(header.markerName));
    if (const int line = header.lineIndex(rinex2::kLabelReceiver); line >= 0)
        facts.receiverName = std::string(rinex2::Trim(
            rinex2::Columns(header.lines[static_cast<size_t>(line)].text(), 20, 20)));
    facts.approxPosition = *header.approxPosition;
    for (size_t t = 0; t < header.typeCount; ++t)
        facts.types.emplace_back(header.types[t].data(), 2);
    if (header.interval)
        facts.intervalSeconds = static_cast<int32_t>(
            (*header.interval + rinex2::kTicksPerSecond / 2) / rinex2::kTicksPerSecond);
    facts.firstObs = To_Epoch_Time(header.firstObs->ticks);
    facts.lastObs = To_Epoch_Time(header.lastObs->ticks);
    facts.satelliteCount = static_cast<int32_t>(header.satelliteCount.value_or(0));
    for (const rinex2::PrnObsRecord& record : header.prnObs) {
        SatelliteCounts satellite;
        satellite.label = std::string(1, record.id.system);
        satellite.label += static_cast<char>('0' + record.id.prn / 10);
        satellite.label += static_cast<char>('0' + record.id.prn % 10);
        for (uint32_t count : record.counts) satellite.counts.push_back(static_cast<int32_t>(count));
        facts.satellites.push_back(std::move(satellite));
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> Parse_Obs_Header(std::string_view text, ObsHeaderFacts& facts) {
    facts = ObsHeaderFacts{};
    rinex2::ObsReader reader;
    if (!reader.openMemory("header", text)) return reader.error();
    return Facts_Of(reader.header(), facts);
}

std::optional<std::string> Read_Obs_Header(const std::string& path, ObsHeaderFacts& facts) {
    facts = ObsHeaderFacts{};
    rinex2::ObsReader reader;
    if (!reader.open(path)) return reader.error();
    if (auto error = Facts_Of(reader.header(), facts)) return path + ": " + *error;
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
