#include "qc/qc_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zer2ivi::qc {
namespace {

constexpr double kMp1L1 = 1.0 + 2.0 / (kAlpha - 1.0);
constexpr double kMp1L2 = 2.0 / (kAlpha - 1.0);
constexpr double kMp2L1 = 2.0 * kAlpha / (kAlpha - 1.0);
constexpr double kMp2L2 = 2.0 * kAlpha / (kAlpha - 1.0) - 1.0;

bool Is_Gps(char system) { return system == 'G' || system == ' '; }

int System_Slot(char system) {
    if (system == ' ') return 'G' - 'A';
    if (system >= 'A' && system <= 'Z') return system - 'A';
    return 26;  // anything else shares one slot
}

std::optional<double> Rms(double sumSquares, int64_t count) {
    if (count <= 0) return std::nullopt;
    return std::sqrt(std::max(0.0, sumSquares) / static_cast<double>(count));
}

// Keeps the points whose epoch index is a multiple of stride.
template <typename Point>
size_t Keep_Multiples(std::vector<Point>& points, uint32_t stride) {
    std::erase_if(points, [stride](const Point& p) { return p.epochIndex % stride != 0; });
    return points.size();
}

}  // namespace

Combinations Combine(double code1, double l1Cycles, double l2Cycles, double code2) {
    const double l1 = l1Cycles * kWavelengthL1;
    const double l2 = l2Cycles * kWavelengthL2;
    return {code1 - kMp1L1 * l1 + kMp1L2 * l2, code2 - kMp2L1 * l1 + kMp2L2 * l2, l1 - l2};
}

double Wide_Lane(double code1, double l1Cycles, double l2Cycles, double code2) {
    return (l1Cycles - l2Cycles) -
           (kFrequencyL1 * code1 + kFrequencyL2 * code2) / ((kFrequencyL1 + kFrequencyL2) * kWideLaneWavelength);
}

double Geometry_Free_Limit(double dt) { return kGeometryFreeJump + kGeometryFreeRate * std::fabs(dt); }

std::string Rule_Letters(uint8_t rules) {
    std::string letters;
    const char* kLetters = "abcd";
    for (int bit = 0; bit < 4; ++bit)
        if ((rules & (1u << bit)) != 0) letters += kLetters[bit];
    return letters;
}

// ---- interval ---------------------------------------------------------------

void IntervalFinder::Add(double time) {
    if (last_) {
        const auto step = static_cast<int64_t>(std::llround((time - *last_) * 1000.0));
        auto found = counts_.find(step);
        if (found != counts_.end()) {
            ++found->second;
        } else if (counts_.size() < kMaxDistinctSteps) {
            counts_.emplace(step, 1);
        }
    }
    last_ = time;
}

std::optional<double> IntervalFinder::Interval() const {
    std::optional<int64_t> best;
    int64_t bestCount = 0;
    for (const auto& [step, count] : counts_) {
        if (count > bestCount || (count == bestCount && best && step < *best)) {
            best = step;
            bestCount = count;
        }
    }
    if (!best) return std::nullopt;
    return static_cast<double>(*best) / 1000.0;
}

// ---- figures ----------------------------------------------------------------

std::optional<double> SatelliteFigures::Mp1_Rms() const { return Rms(sumSquares1, keptPoints); }
std::optional<double> SatelliteFigures::Mp2_Rms() const { return Rms(sumSquares2, keptPoints); }

std::string SatelliteFigures::Name() const {
    std::string name(1, system == ' ' ? 'G' : system);
    if (prn < 10) name += '0';
    name += std::to_string(prn);
    return name;
}

std::optional<double> QcResult::Completeness() const {
    if (expectedEpochs <= 0) return std::nullopt;
    return static_cast<double>(epochs) / static_cast<double>(expectedEpochs);
}
std::optional<double> QcResult::Mp1_Rms() const { return Rms(sumSquares1, keptPoints); }
std::optional<double> QcResult::Mp2_Rms() const { return Rms(sumSquares2, keptPoints); }
std::optional<double> QcResult::Observations_Per_Slip() const {
    if (slips == 0) return std::nullopt;
    return static_cast<double>(usableEpochs) / static_cast<double>(slips);
}

// ---- engine -----------------------------------------------------------------

QcEngine::QcEngine(const QcSettings& settings)
    : settings_(settings),
      // Without an interval (fewer than two epochs) no step is too long.
      longStep_(settings.interval > 0 ? kGapFactor * settings.interval
                                      : std::numeric_limits<double>::infinity()),
      order_(settings.interval > 0 ? Ticks_Of(kGapFactor * settings.interval) : 0) {
    lookup_.fill(-1);
    result_.interval = settings.interval;
}

QcEngine::SatelliteState& QcEngine::State_Of(char system, int prn) {
    const size_t slot = static_cast<size_t>(System_Slot(system) * 100 + std::clamp(prn, 0, 99));
    if (lookup_[slot] < 0) {
        lookup_[slot] = static_cast<int32_t>(states_.size());
        SatelliteState& state = states_.emplace_back();
        state.figures.system = system == ' ' ? 'G' : system;
        state.figures.prn = prn;
        state.figures.gps = Is_Gps(system);
        state.stretchMerge = settings_.interval > 0 ? kGapFactor * settings_.interval : 0.0;
    }
    return states_[static_cast<size_t>(lookup_[slot])];
}

rinex::Ticks QcEngine::Ticks_Of(double seconds) {
    return static_cast<rinex::Ticks>(std::llround(seconds * static_cast<double>(rinex::kTicksPerSecond)));
}

void QcEngine::Add(const QcEpoch& epoch) {
    if (epoch.flag != 0 && epoch.flag != 1) return;
    const double t = epoch.time;
    // Repeats and backward jumps by the rule of the products (epoch_order.h).
    const rinex::EpochOrder::Verdict verdict = order_.add(Ticks_Of(t));
    if (verdict == rinex::EpochOrder::Verdict::kRepeat) {
        ++result_.repeatedEpochs;
        return;
    }
    if (result_.epochs == 0) {
        result_.first = result_.last = t;
    } else {
        const bool backward = verdict == rinex::EpochOrder::Verdict::kBackward;
        if (backward || t - previousTime_ > longStep_) {
            ++result_.gapCount;
            if (result_.gaps.size() < kMaxGapsListed) result_.gaps.push_back({previousTime_, t});
            if (backward) {
                ++result_.backwardJumps;
            } else {
                result_.missingSeconds += t - previousTime_ - settings_.interval;
            }
        }
    }
    ++epochIndex_;
    ++result_.epochs;
    result_.first = std::min(result_.first, t);
    result_.last = std::max(result_.last, t);
    previousTime_ = t;
    for (const SatelliteObservation& obs : epoch.satellites) {
        Observe(State_Of(obs.system, obs.prn), obs, epoch.time);
    }
    if (multipathPoints_ > kMaxMultipathPoints) Thin_Multipath();
    if (skyPoints_ > kMaxSkyPoints) Thin_Sky();
}

void QcEngine::Add_Stretch(SatelliteState& state, double time) {
    std::vector<Stretch>& stretches = state.plot.observed;
    // A stretch ends at the last epoch before a gap; without an interval,
    // at an epoch the satellite is missing from.
    const bool continues =
        !stretches.empty() && time >= stretches.back().end &&
        (state.stretchMerge > 0 ? time - stretches.back().end <= state.stretchMerge
                                : state.lastSeenEpoch == epochIndex_ - 1);
    if (continues) {
        stretches.back().end = time;
    } else {
        stretches.push_back({time, time});
    }
    // Too many stretches to draw: join those closer than a doubled distance.
    while (stretches.size() > kMaxStretches) {
        state.stretchMerge = std::max(2 * state.stretchMerge, 1.0);
        size_t kept = 0;
        for (size_t i = 1; i < stretches.size(); ++i) {
            if (stretches[i].start - stretches[kept].end <= state.stretchMerge) {
                stretches[kept].end = stretches[i].end;
            } else {
                stretches[++kept] = stretches[i];
            }
        }
        stretches.resize(kept + 1);
    }
    state.lastSeenEpoch = epochIndex_;
}

void QcEngine::Observe(SatelliteState& state, const SatelliteObservation& obs, double time) {
    SatelliteFigures& figures = state.figures;
    if (figures.epochsObserved == 0) figures.first = figures.last = time;
    ++figures.epochsObserved;
    figures.first = std::min(figures.first, time);
    figures.last = std::max(figures.last, time);
    Add_Stretch(state, time);
    if (!figures.gps) return;

    if ((obs.lliL1 > 0 && (obs.lliL1 & 1) != 0) || (obs.lliL2 > 0 && (obs.lliL2 & 1) != 0))
        state.lossOfLockPending = true;

    bool usable = obs.hasCode1 && obs.code1 != 0 && obs.hasL1 && obs.l1 != 0 && obs.hasL2 &&
                  obs.l2 != 0 && obs.hasCode2 && obs.code2 != 0;
    SatelliteDirections* directions = settings_.directions;
    float seenAt = std::numeric_limits<float>::quiet_NaN();
    if (directions != nullptr) {
        double elevation = 0, azimuth = 0;
        if (!directions->Direction(obs.prn, time, elevation, azimuth)) {
            usable = false;
            ++result_.noEphemeris;
        } else if (directions->Knows_Elevations()) {
            if (elevation < settings_.maskDegrees) usable = false;
            seenAt = static_cast<float>(elevation);
            if (static_cast<uint64_t>(epochIndex_) % skyStride_ == 0 && elevation >= 0) {
                state.plot.sky.push_back({static_cast<float>(azimuth), static_cast<float>(elevation),
                                          static_cast<uint32_t>(epochIndex_)});
                ++skyPoints_;
            }
        }
    }
    if (!usable) return;

    const Combinations values = Combine(obs.code1, obs.l1, obs.l2, obs.code2);
    const double wideLane = Wide_Lane(obs.code1, obs.l1, obs.l2, obs.code2);
    bool newArc = !state.hasUsable;
    uint8_t rules = 0;
    if (state.hasUsable) {
        const double dt = time - state.lastUsable;
        if (state.lossOfLockPending) rules |= kRuleLossOfLock;
        if (dt > longStep_ || dt < 0) rules |= kRuleLongStep;
        if (std::fabs(values.gf - state.lastGeometryFree) > Geometry_Free_Limit(dt)) rules |= kRuleGeometryFree;
        const Arc& arc = state.arc;
        if (arc.count > 0) {
            const double mean = arc.wideLaneOrigin + arc.wideLaneSum / static_cast<double>(arc.count);
            if (std::fabs(wideLane - mean) > kWideLaneJump) rules |= kRuleWideLane;
        }
        newArc = rules != 0;
        if (Is_Slip(rules)) {
            ++figures.slips;
            if (state.plot.slipTimes.size() < kMaxSlipMarks) state.plot.slipTimes.push_back(time);
        }
    }
    if (newArc) {
        Close_Arc(state);
        ++figures.arcs;
        if (figures.arcStarts.size() < kMaxArcStartsListed) figures.arcStarts.push_back({time, rules});
        state.arc.origin1 = values.mp1;
        state.arc.origin2 = values.mp2;
        state.arc.wideLaneOrigin = wideLane;
    }
    state.hasUsable = true;
    state.lossOfLockPending = false;
    state.lastUsable = time;
    state.lastGeometryFree = values.gf;
    ++figures.usableEpochs;
    ++figures.usableCode1[obs.code1Choice % kMaxCodeChoices];
    ++figures.usableCode2[obs.code2Choice % kMaxCodeChoices];
    ++figures.usablePhase1[obs.phase1Choice % kMaxCodeChoices];

    Arc& arc = state.arc;
    arc.wideLaneSum += wideLane - arc.wideLaneOrigin;
    const double d1 = values.mp1 - arc.origin1;
    const double d2 = values.mp2 - arc.origin2;
    ++arc.count;
    arc.sum1 += d1;
    arc.sumSquares1 += d1 * d1;
    arc.sum2 += d2;
    arc.sumSquares2 += d2 * d2;
    if (static_cast<uint64_t>(epochIndex_) % multipathStride_ == 0) {
        state.plot.multipath.push_back({time, static_cast<float>(d1), static_cast<float>(d2), seenAt,
                                        static_cast<uint32_t>(epochIndex_),
                                        static_cast<uint32_t>(figures.arcs)});
        ++multipathPoints_;
    }
}

void QcEngine::Close_Arc(SatelliteState& state) {
    Arc& arc = state.arc;
    if (arc.count == 0) return;
    const auto count = static_cast<double>(arc.count);
    const double mean1 = arc.sum1 / count;
    const double mean2 = arc.sum2 / count;
    const bool kept = arc.count >= kMinimumArcEpochs;
    if (kept) {
        SatelliteFigures& figures = state.figures;
        figures.keptPoints += arc.count;
        figures.sumSquares1 += std::max(0.0, arc.sumSquares1 - arc.sum1 * mean1);
        figures.sumSquares2 += std::max(0.0, arc.sumSquares2 - arc.sum2 * mean2);
    }
    // The arc's points are the last ones of the satellite: centre them on
    // the arc's mean, or drop them with a short arc.
    std::vector<MultipathPoint>& points = state.plot.multipath;
    const auto arcNumber = static_cast<uint32_t>(state.figures.arcs);
    size_t begin = points.size();
    while (begin > 0 && points[begin - 1].arc == arcNumber) --begin;
    if (kept) {
        for (size_t i = begin; i < points.size(); ++i) {
            points[i].mp1 = static_cast<float>(points[i].mp1 - mean1);
            points[i].mp2 = static_cast<float>(points[i].mp2 - mean2);
        }
    } else {
        multipathPoints_ -= points.size() - begin;
        points.resize(begin);
    }
    arc = Arc{};
}

void QcEngine::Thin_Multipath() {
    while (multipathPoints_ > kMaxMultipathPoints) {
        multipathStride_ *= 2;
        multipathPoints_ = 0;
        for (SatelliteState& state : states_)
            multipathPoints_ += Keep_Multiples(state.plot.multipath, multipathStride_);
    }
}

void QcEngine::Thin_Sky() {
    while (skyPoints_ > kMaxSkyPoints) {
        skyStride_ *= 2;
        skyPoints_ = 0;
        for (SatelliteState& state : states_) skyPoints_ += Keep_Multiples(state.plot.sky, skyStride_);
    }
}

QcResult QcEngine::Finish() {
    for (SatelliteState& state : states_) Close_Arc(state);
    // The points of arcs still open were centred just now; nothing of an
    // open arc is left uncentred.
    QcResult& result = result_;
    if (result.epochs > 0 && result.interval > 0) {
        result.expectedEpochs =
            static_cast<int64_t>(std::floor((result.last - result.first) / result.interval + 0.5)) + 1;
    }
    std::vector<size_t> order(states_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [this](size_t a, size_t b) {
        const SatelliteFigures& x = states_[a].figures;
        const SatelliteFigures& y = states_[b].figures;
        // GPS first, then the other systems by letter; PRN within.
        const auto rank = [](const SatelliteFigures& f) { return f.gps ? 0 : f.system; };
        if (rank(x) != rank(y)) return rank(x) < rank(y);
        return x.prn < y.prn;
    });
    for (size_t i : order) {
        SatelliteState& state = states_[i];
        const SatelliteFigures& figures = state.figures;
        result.usableEpochs += figures.usableEpochs;
        result.slips += figures.slips;
        result.keptPoints += figures.keptPoints;
        result.sumSquares1 += figures.sumSquares1;
        result.sumSquares2 += figures.sumSquares2;
        result.satellites.push_back(figures);
        result.plots.push_back(std::move(state.plot));
    }
    states_.clear();
    lookup_.fill(-1);
    return std::move(result_);
}

}  // namespace zer2ivi::qc
