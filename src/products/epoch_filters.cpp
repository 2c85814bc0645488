#include "products/epoch_filters.h"

#include <string>

#include "rinex2/gps_ticks.h"
#include "rinex_names/rinex_names.h"

namespace zer2ivi::products {

using namespace rinex2;

namespace {

constexpr std::string_view kSystems = "GRSECJIM";
constexpr size_t kPrnSlots = 100;

size_t Satellite_Slot(const SatelliteObs& sat) {
    size_t system = kSystems.find(sat.system);
    if (system == std::string_view::npos) system = kSystems.size() - 1;
    return system * kPrnSlots + sat.prn;
}

struct PieceLength {
    std::string_view text;
    Ticks length;
};
constexpr PieceLength kPieceLengths[] = {
    {"1d", kTicksPerDay}, {"1h", kTicksPerHour}, {"15m", 15 * kTicksPerMinute}};

static_assert(kMaxObsTypes <= 64, "one bit per observation type in a 64-bit word");

}  // namespace

bool WindowFilter::inside(Ticks time) const {
    return (!from_ || time >= *from_) && (!to_ || time < *to_);
}

bool WindowFilter::keep(const ObsEpoch& epoch) {
    if (!epoch.hasTime) return anyDated_ ? lastInside_ : !from_;
    anyDated_ = true;
    lastInside_ = inside(epoch.time);
    return lastInside_;
}

Decimator::Decimator(Ticks interval)
    : interval_(interval), pending_(kSystems.size() * kPrnSlots, 0) {}

bool Decimator::onGrid(Ticks time) const {
    const Ticks rest = Time_Of_Week(time) % interval_;
    return rest <= kTolerance || interval_ - rest <= kTolerance;
}

bool Decimator::keep(ObsEpoch& epoch) {
    if (!epoch.hasObservations()) return true;
    const bool observations = epoch.flag != kFlagCycleSlips;
    const bool kept = onGrid(epoch.time);
    if (!observations) return kept;
    for (size_t s = 0; s < epoch.satelliteCount(); ++s) {
        uint64_t& pending = pending_[Satellite_Slot(epoch.satellite(s))];
        if (kept) {
            if (pending == 0) continue;
            for (size_t t = 0; t < epoch.typeCount; ++t) {
                const uint64_t bit = uint64_t{1} << t;
                if ((pending & bit) == 0 || !epoch.value(s, t).hasValue()) continue;
                if ((epoch.value(s, t).lli & 1u) == 0) epoch.setLossOfLock(s, t);
                pending &= ~bit;
            }
        } else {
            for (size_t t = 0; t < epoch.typeCount; ++t)
                if (epoch.value(s, t).lli & 1u) pending |= uint64_t{1} << t;
        }
    }
    return kept;
}

std::optional<Ticks> Parse_Piece_Length(std::string_view text) {
    for (const PieceLength& piece : kPieceLengths)
        if (piece.text == text) return piece.length;
    return std::nullopt;
}

Ticks Piece_Start(Ticks time, Ticks length) {
    const Ticks rest = time % length;
    return time - (rest < 0 ? rest + length : rest);
}

std::string Piece_File_Name(std::string_view station, Ticks start, Ticks length) {
    return names::Short_Name(station, start, length, 'o');
}

}  // namespace zer2ivi::products
