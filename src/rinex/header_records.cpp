#include "rinex/header_records.h"

#include <algorithm>
#include <array>

#include "rinex/fields.h"
#include "rinex/obs_labels.h"

namespace zer2ivi::rinex {
namespace {

constexpr std::array<std::string_view, kHeaderRecordCount> kRecordLabels = {
    kLabelVersionType,   kLabelPgmRunByDate,  kLabelComment,      kLabelMarkerName,
    kLabelMarkerNumber,  kLabelObserverAgency, kLabelReceiver,    kLabelAntenna,
    kLabelApproxPosition, kLabelAntennaDelta, kLabelWavelength,   kLabelTypes,
    kLabelSysObsTypes,   kLabelInterval,      kLabelFirstObs,      kLabelLastObs,      kLabelClockApplied,
    kLabelLeapSeconds,   kLabelSatelliteCount, kLabelPrnObsCount, kLabelEndOfHeader,
};

constexpr int kTickDecimals = 7;

// Where a number sits in a line and how many decimals it has: the number
// whose last character is the last non-blank one in [begin, limit).
struct NumberForm {
    size_t end = 0;     // one past its last column
    int decimals = -1;  // -1: no decimal point
};

std::optional<NumberForm> Find_Form(std::string_view text, size_t begin, size_t limit) {
    const std::string_view region = Columns(text, begin, limit - begin);
    const size_t last = region.find_last_not_of(' ');
    if (last == std::string_view::npos) return std::nullopt;
    size_t first = region.find_last_of(' ', last);
    first = first == std::string_view::npos ? 0 : first + 1;
    const std::string_view token = region.substr(first, last + 1 - first);
    NumberForm form;
    form.end = begin + last + 1;
    if (const size_t point = token.find('.'); point != std::string_view::npos)
        form.decimals = static_cast<int>(token.size() - point - 1);
    return form;
}

// Ticks as decimal seconds with `decimals` decimals (0 to 7, none: no
// point), rounded half up, right-aligned in width columns.
void Append_Seconds(std::string& line, Ticks ticks, size_t width, int decimals) {
    const int shown = std::clamp(decimals, 0, kTickDecimals);
    Ticks scale = 1;
    for (int i = shown; i < kTickDecimals; ++i) scale *= 10;
    const Ticks units = (ticks + scale / 2) / scale;  // in 10^-shown s
    Ticks power = 1;
    for (int i = 0; i < shown; ++i) power *= 10;
    std::string number = std::to_string(units / power);
    if (decimals >= 0) {
        std::string fraction = std::to_string(units % power + power).substr(1);
        number += '.';
        number.append(fraction, 0, static_cast<size_t>(shown));
    }
    if (number.size() < width) line.append(width - number.size(), ' ');
    line += number;
}

// The rest of an original line after a recomputed number, to column 60.
void Append_Rest(std::string& data, std::string_view original, size_t from) {
    if (data.size() < from) data.append(from - data.size(), ' ');
    data += Columns(original, from, kLabelColumn > from ? kLabelColumn - from : 0);
}

std::string Finish(std::string data, std::string_view label, std::string_view lineEnd) {
    data.resize(std::min(data.size(), kLabelColumn));
    Append_Label(data, label);
    data += lineEnd;
    return data;
}

}  // namespace

std::optional<HeaderRecord> Record_Of_Label(std::string_view label) {
    for (size_t i = 0; i < kRecordLabels.size(); ++i)
        if (kRecordLabels[i] == label) return static_cast<HeaderRecord>(i);
    return std::nullopt;
}

std::string_view Label_Of(HeaderRecord record) {
    return kRecordLabels[static_cast<size_t>(record)];
}

bool Time_Is_Zero_Padded(std::string_view line) {
    for (size_t field = 1; field < 5; ++field) {
        const std::string_view value = Trim(Columns(line, 6 * field, 6));
        if (value.size() == 2 && value[0] == '0') return true;
    }
    return false;
}

std::string Write_Time_Of_Obs(HeaderRecord record, std::string_view original, Ticks time,
                              std::string_view lineEnd, bool zeroPadded) {
    // 5I6, then the seconds where the original had them, then its time
    // system and anything else it had.
    constexpr size_t kSecondsBegin = 30;
    constexpr size_t kSecondsLimit = 48;
    const CalendarTime calendar = Ticks_To_Calendar(time);
    const bool twoDigits = zeroPadded || Time_Is_Zero_Padded(original);
    std::string data;
    for (long long value :
         {calendar.year, calendar.month, calendar.day, calendar.hour, calendar.minute}) {
        const size_t before = data.size();
        Append_Integer(data, value, 6);
        if (twoDigits && value < 10 && value >= 0) data[before + 4] = '0';
    }
    NumberForm form{43, kTickDecimals};
    if (!original.empty())
        if (auto found = Find_Form(original, kSecondsBegin, kSecondsLimit)) form = *found;
    Append_Seconds(data, calendar.secondTicks, form.end - kSecondsBegin, form.decimals);
    if (original.empty()) {
        data += "     GPS";
    } else {
        Append_Rest(data, original, form.end);
    }
    return Finish(std::move(data), Label_Of(record), lineEnd);
}

std::string Write_Interval(std::string_view original, Ticks interval, std::string_view lineEnd) {
    NumberForm form = Find_Form(original, 0, kLabelColumn).value_or(NumberForm{10, 3});
    int decimals = form.decimals;
    size_t end = form.end;
    Ticks scale = 1;
    for (int i = std::max(decimals, 0); i < kTickDecimals; ++i) scale *= 10;
    if (interval % scale != 0) {  // the original's form cannot show it: F10.3
        decimals = 3;
        end = std::max<size_t>(end, 10);
    }
    std::string data;
    Append_Seconds(data, interval, end, decimals);
    Append_Rest(data, original, end);
    return Finish(std::move(data), kLabelInterval, lineEnd);
}

std::string Write_Satellite_Count(std::string_view original, size_t count,
                                  std::string_view lineEnd) {
    const NumberForm form = Find_Form(original, 0, kLabelColumn).value_or(NumberForm{6, -1});
    std::string data;
    Append_Integer(data, static_cast<long long>(count), form.end);
    Append_Rest(data, original, form.end);
    return Finish(std::move(data), kLabelSatelliteCount, lineEnd);
}

// 3X,A1,I2,9I6 and continuation lines 6X,9I6.  The form taken from the
// original: whether GPS is written with its letter or a blank, and whether
// PRNs below 10 have a leading zero.
std::string Write_Prn_Obs(std::string_view original, const std::vector<PrnCounts>& satellites,
                          size_t typeCount, std::string_view lineEnd) {
    const bool gpsBlank = Columns(original, 3, 1) == " ";
    const bool zeroPadded = Columns(original, 4, 1) == "0";
    std::string lines;
    for (const PrnCounts& sat : satellites) {
        std::string data = "   ";
        data += sat.system == 'G' && gpsBlank ? ' ' : sat.system;
        if (sat.prn < 10) data += zeroPadded ? '0' : ' ';
        data += std::to_string(sat.prn);
        const size_t types = typeCount > 0 ? typeCount : sat.typeCount;
        for (size_t t = 0; t < types; ++t) {
            if (t > 0 && t % kCountsPerHeaderLine == 0) {
                lines += Finish(std::move(data), kLabelPrnObsCount, lineEnd);
                data.assign(6, ' ');
            }
            Append_Integer(data, sat.counts[t], 6);
        }
        lines += Finish(std::move(data), kLabelPrnObsCount, lineEnd);
    }
    return lines;
}

std::string Write_Comment(std::string_view text, std::string_view lineEnd) {
    std::string data(Columns(text, 0, kLabelColumn));
    return Finish(std::move(data), kLabelComment, lineEnd);
}

}  // namespace zer2ivi::rinex
