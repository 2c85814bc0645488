#include "products/header_counts.h"

#include <algorithm>

#include "products/header_editor.h"
#include "rinex/fields.h"
#include "rinex/obs_labels.h"

namespace zer2ivi::products {

using namespace rinex;

namespace {

constexpr size_t kSlots = kSatelliteSlots;
}  // namespace

HeaderCounts::HeaderCounts()
    : counts_(kSlots * kMaxObsTypes), seen_(kSlots), types_(kSlots) {}

void HeaderCounts::reset() {
    epochs_ = 0;
    first_ = last_ = 0;
    interval_.reset();
    std::fill(counts_.begin(), counts_.end(), 0u);
    std::fill(seen_.begin(), seen_.end(), uint8_t{0});
    std::fill(types_.begin(), types_.end(), uint8_t{0});
}

void HeaderCounts::add(const ObsEpoch& epoch) {
    if (!epoch.isObservationEpoch()) return;
    if (epochs_ == 0) first_ = epoch.time;
    interval_.add(epoch.time);
    last_ = epoch.time;
    ++epochs_;
    for (size_t s = 0; s < epoch.satelliteCount(); ++s) {
        const SatelliteObs& sat = epoch.satellite(s);
        const size_t slot = Satellite_Slot(sat.system, sat.prn);
        uint32_t* counts = &counts_[slot * kMaxObsTypes];
        const size_t types = epoch.typeCountOf(s);
        if (output_ != nullptr) {
            const size_t written = output_->countOf(sat.system);
            if (written == 0 || output_->omitSystems.find(sat.system) != std::string::npos)
                continue;
            seen_[slot] = 1;
            types_[slot] = static_cast<uint8_t>(written);
            for (size_t o = 0; o < written; ++o) {
                const int source = output_->sourceOf(sat.system, o);
                if (source >= 0 && static_cast<size_t>(source) < types &&
                    epoch.value(s, static_cast<size_t>(source)).hasValue())
                    ++counts[o];
            }
            continue;
        }
        seen_[slot] = 1;
        types_[slot] = std::max(types_[slot], static_cast<uint8_t>(types));
        for (size_t t = 0; t < types; ++t)
            if (epoch.value(s, t).hasValue()) ++counts[t];
    }
}

std::string HeaderCounts::systemsSeen() const {
    std::string systems;
    for (size_t slot = 0; slot < kSlots; ++slot) {
        const char system = System_Of_Slot(slot);
        if (seen_[slot] && systems.find(system) == std::string::npos) systems += system;
    }
    return systems;
}

std::vector<HeaderCounts::Satellite> HeaderCounts::satellites() const {
    std::vector<Satellite> result;
    for (size_t slot = 0; slot < kSlots; ++slot) {
        if (!seen_[slot]) continue;
        const uint32_t* counts = &counts_[slot * kMaxObsTypes];
        if (std::all_of(counts, counts + kMaxObsTypes, [](uint32_t n) { return n == 0; }))
            continue;
        result.push_back({System_Of_Slot(slot), static_cast<uint8_t>(slot % kPrnSlots),
                          counts, types_[slot]});
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
    bool zeroPadded = false;  // the form of both time records
    for (const HeaderLine& line : lines)
        if (line.label() == kLabelFirstObs || line.label() == kLabelLastObs)
            zeroPadded = zeroPadded || Time_Is_Zero_Padded(line.text());
    for (const HeaderLine& line : lines) {
        const std::string_view label = line.label();
        const std::string_view text = line.text();
        if (label == kLabelTypes && !Is_Blank(Columns(text, 0, 6))) {
            typeCount = static_cast<size_t>(Parse_Integer(Columns(text, 0, 6)).value_or(0));
        }
        if (label == kLabelFirstObs && counts.epochs() > 0) {
            firstSeen = true;
            out.push_back({Write_Time_Of_Obs(HeaderRecord::kFirstObs, text, counts.first(), lineEnd, zeroPadded)});
        } else if (label == kLabelLastObs && counts.epochs() > 0) {
            out.push_back({Write_Time_Of_Obs(HeaderRecord::kLastObs, text, counts.last(), lineEnd, zeroPadded)});
        } else if (label == kLabelInterval && interval) {
            out.push_back({Write_Interval(text, *interval, lineEnd)});
        } else if (label == kLabelSatelliteCount) {
            out.push_back({Write_Satellite_Count(text, counts.satellites().size(), lineEnd)});
        } else if (label == kLabelPrnObsCount) {
            if (!prnWritten)
                out.push_back({Write_Prn_Obs(text, counts.satellites(), std::min(typeCount, kMaxObsTypes),
                                         lineEnd)});
            prnWritten = true;
        } else {
            out.push_back(line);
        }
    }
    if (!firstSeen && counts.epochs() > 0)
        Insert_In_Usual_Order(out, {Write_Time_Of_Obs(HeaderRecord::kFirstObs, {}, counts.first(), lineEnd)});
    std::string header;
    for (const HeaderLine& line : out) header += line.raw;
    return header;
}

}  // namespace zer2ivi::products
