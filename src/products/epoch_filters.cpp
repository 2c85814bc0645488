#include "products/epoch_filters.h"

#include <string>

#include "rinex/gps_ticks.h"
#include "rinex_names/rinex_names.h"

namespace zer2ivi::products {

using namespace rinex;

namespace {

size_t Slot_Of(const SatelliteObs& sat) { return Satellite_Slot(sat.system, sat.prn); }

struct PieceKind {
    std::string_view text;
    Ticks duration;
};
constexpr PieceKind kPieceKinds[] = {
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

Decimator::Decimator(Ticks interval, Ticks tolerance, std::optional<Ticks> dataInterval)
    : interval_(interval), tolerance_(tolerance), dataInterval_(dataInterval),
      pending_(kSatelliteSlots, 0) {}

Ticks Decimator::distanceToGrid(Ticks time) const {
    const Ticks rest = Time_Of_Week(time) % interval_;
    return std::min(rest, interval_ - rest);
}

bool Decimator::keep(ObsEpoch& epoch) {
    if (!epoch.hasObservations()) return true;
    const Ticks distance = distanceToGrid(epoch.time);
    const bool kept = distance <= tolerance_;
    if (!epoch.isObservationEpoch()) return kept;  // flag 6: cycle slip records
    if (!kept && dataInterval_ && 2 * distance < *dataInterval_) ++nearGrid_;
    for (size_t s = 0; s < epoch.satelliteCount(); ++s) {
        uint64_t& pending = pending_[Slot_Of(epoch.satellite(s))];
        if (kept) {
            if (pending == 0) continue;
            for (size_t t = 0; t < epoch.typeCountOf(s); ++t) {
                const uint64_t bit = uint64_t{1} << t;
                if ((pending & bit) == 0 || !epoch.value(s, t).hasValue()) continue;
                if (!epoch.value(s, t).has(LliBit::kLossOfLock)) epoch.setLossOfLock(s, t);
                pending &= ~bit;
            }
        } else {
            for (size_t t = 0; t < epoch.typeCountOf(s); ++t)
                if (epoch.value(s, t).has(LliBit::kLossOfLock)) pending |= uint64_t{1} << t;
        }
    }
    return kept;
}

std::optional<PieceLength> PieceLength::Parse(std::string_view text) {
    for (const PieceKind& kind : kPieceKinds)
        if (kind.text == text) return PieceLength(kind.text, kind.duration);
    return std::nullopt;
}

Ticks PieceLength::pieceStart(Ticks time) const {
    const Ticks rest = time % duration_;
    return time - (rest < 0 ? rest + duration_ : rest);
}

bool Splitter::apply(ObsEpoch& epoch, EpochRoute& route) {
    if (epoch.hasTime) current_ = length_.pieceStart(epoch.time);
    route.piece = current_;
    return current_.has_value();  // an undated event before any dated epoch
}

std::string PieceLength::fileName(std::string_view station, Ticks start) const {
    return names::Short_Name(station, start, duration_, 'o');
}

std::string Piece_File_Name(std::string_view station, Ticks start, const PieceLength& length) {
    return length.fileName(station, start);
}

}  // namespace zer2ivi::products
