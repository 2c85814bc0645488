#include "products/header_counts.h"

#include <algorithm>

#include "products/header_editor.h"
#include "rinex2/fields.h"
#include "rinex2/obs_labels.h"

namespace zer2ivi::products {

using namespace rinex2;

namespace {

constexpr size_t kSlots = HeaderCounts::kSystems.size() * HeaderCounts::kPrnSlots;
constexpr int kTickDecimals = 7;

size_t System_Slot(char system) {
    const size_t slot = HeaderCounts::kSystems.find(system);
    return slot == std::string_view::npos ? HeaderCounts::kSystems.size() - 1 : slot;
}

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

std::string Time_Line(std::string_view original, std::string_view label, Ticks ticks,
                      std::string_view lineEnd) {
    // 5I6, then the seconds where the original had them, then its time
    // system and anything else it had.
    constexpr size_t kSecondsBegin = 30;
    constexpr size_t kSecondsLimit = 48;
    const CalendarTime time = Ticks_To_Calendar(ticks);
    std::string data;
    for (long long value : {time.year, time.month, time.day, time.hour, time.minute})
        Append_Integer(data, value, 6);
    NumberForm form{43, kTickDecimals};
    std::string_view rest = "     GPS";
    if (!original.empty()) {
        if (auto found = Find_Form(original, kSecondsBegin, kSecondsLimit)) form = *found;
        rest = {};
    }
    Append_Seconds(data, time.secondTicks, form.end - kSecondsBegin, form.decimals);
    if (original.empty()) {
        data += rest;
    } else {
        Append_Rest(data, original, form.end);
    }
    return Finish(std::move(data), label, lineEnd);
}

std::string Interval_Line(std::string_view original, Ticks interval, std::string_view lineEnd) {
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

std::string Count_Line(std::string_view original, size_t count, std::string_view lineEnd) {
    const NumberForm form = Find_Form(original, 0, kLabelColumn).value_or(NumberForm{6, -1});
    std::string data;
    Append_Integer(data, static_cast<long long>(count), form.end);
    Append_Rest(data, original, form.end);
    return Finish(std::move(data), kLabelSatelliteCount, lineEnd);
}

// "PRN / # OF OBS": 3X,A1,I2,9I6 and continuation lines 6X,9I6.  The form
// taken from the original: whether GPS is written with its letter or a
// blank, and whether PRNs below 10 have a leading zero.
std::string Prn_Lines(std::string_view original, const HeaderCounts& counts, size_t typeCount,
                      std::string_view lineEnd) {
    const bool gpsBlank = Columns(original, 3, 1) == " ";
    const bool zeroPadded = Columns(original, 4, 1) == "0";
    std::string lines;
    for (const HeaderCounts::Satellite& sat : counts.satellites()) {
        std::string data = "   ";
        data += sat.system == 'G' && gpsBlank ? ' ' : sat.system;
        if (sat.prn < 10) data += zeroPadded ? '0' : ' ';
        data += std::to_string(sat.prn);
        for (size_t t = 0; t < typeCount; ++t) {
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

}  // namespace

HeaderCounts::HeaderCounts()
    : counts_(kSlots * kMaxObsTypes), seen_(kSlots) {}

void HeaderCounts::reset() {
    epochs_ = 0;
    first_ = last_ = 0;
    differenceSlots_ = 0;
    std::fill(counts_.begin(), counts_.end(), 0u);
    std::fill(seen_.begin(), seen_.end(), uint8_t{0});
}

void HeaderCounts::add(const ObsEpoch& epoch) {
    if (epoch.flag != kFlagOk && epoch.flag != kFlagPowerFailure) return;
    if (epochs_ == 0) {
        first_ = epoch.time;
    } else {
        const Ticks difference =
            (epoch.time - last_ + kTicksPerMillisecond / 2) / kTicksPerMillisecond *
            kTicksPerMillisecond;
        size_t slot = 0;
        while (slot < differenceSlots_ && differences_[slot].first != difference) ++slot;
        if (slot < differenceSlots_) {
            ++differences_[slot].second;
        } else if (differenceSlots_ < kIntervalSlots) {
            // Further distinct differences (a file full of gaps of every
            // length) cannot be the most frequent one of a regular file.
            differences_[differenceSlots_++] = {difference, 1};
        }
    }
    last_ = epoch.time;
    ++epochs_;
    for (size_t s = 0; s < epoch.satelliteCount(); ++s) {
        const SatelliteObs& sat = epoch.satellite(s);
        const size_t slot = System_Slot(sat.system) * kPrnSlots + sat.prn;
        seen_[slot] = 1;
        uint32_t* counts = &counts_[slot * kMaxObsTypes];
        for (size_t t = 0; t < epoch.typeCount; ++t)
            if (epoch.value(s, t).hasValue()) ++counts[t];
    }
}

std::optional<Ticks> HeaderCounts::interval() const {
    std::optional<Ticks> best;
    uint64_t bestCount = 0;
    for (size_t i = 0; i < differenceSlots_; ++i) {
        const auto [difference, count] = differences_[i];
        if (difference <= 0) continue;
        if (count > bestCount || (count == bestCount && difference < *best)) {
            best = difference;
            bestCount = count;
        }
    }
    return best;
}

std::vector<HeaderCounts::Satellite> HeaderCounts::satellites() const {
    std::vector<Satellite> result;
    for (size_t slot = 0; slot < kSlots; ++slot) {
        if (!seen_[slot]) continue;
        const uint32_t* counts = &counts_[slot * kMaxObsTypes];
        if (std::all_of(counts, counts + kMaxObsTypes, [](uint32_t n) { return n == 0; }))
            continue;
        result.push_back({kSystems[slot / kPrnSlots], static_cast<uint8_t>(slot % kPrnSlots),
                          counts});
    }
    return result;
}

std::string Product_Header(const std::vector<HeaderLine>& lines, const HeaderCounts& counts,
                           std::optional<Ticks> fallbackInterval, std::string_view lineEnd) {
    std::vector<HeaderLine> out;
    out.reserve(lines.size() + 1);
    size_t typeCount = 0;
    bool prnWritten = false;
    bool firstSeen = false;
    const std::optional<Ticks> interval = counts.interval() ? counts.interval() : fallbackInterval;
    for (const HeaderLine& line : lines) {
        const std::string_view label = line.label();
        const std::string_view text = line.text();
        if (label == kLabelTypes && !Is_Blank(Columns(text, 0, 6))) {
            typeCount = static_cast<size_t>(Parse_Integer(Columns(text, 0, 6)).value_or(0));
        }
        if (label == kLabelFirstObs && counts.epochs() > 0) {
            firstSeen = true;
            out.push_back({Time_Line(text, label, counts.first(), lineEnd)});
        } else if (label == kLabelLastObs && counts.epochs() > 0) {
            out.push_back({Time_Line(text, label, counts.last(), lineEnd)});
        } else if (label == kLabelInterval && interval) {
            out.push_back({Interval_Line(text, *interval, lineEnd)});
        } else if (label == kLabelSatelliteCount) {
            out.push_back({Count_Line(text, counts.satellites().size(), lineEnd)});
        } else if (label == kLabelPrnObsCount) {
            if (!prnWritten)
                out.push_back({Prn_Lines(text, counts, std::min(typeCount, kMaxObsTypes),
                                         lineEnd)});
            prnWritten = true;
        } else {
            out.push_back(line);
        }
    }
    if (!firstSeen && counts.epochs() > 0)
        Insert_In_Usual_Order(out, {Time_Line({}, kLabelFirstObs, counts.first(), lineEnd)});
    std::string header;
    for (const HeaderLine& line : out) header += line.raw;
    return header;
}

}  // namespace zer2ivi::products
