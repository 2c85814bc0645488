// The quality check of an observation stream: completeness, gaps, cycle
// slips and multipath, computed epoch by epoch.  The engine never sees a
// file: a reader (of RINEX, or anything else) hands it one QcEpoch at a time,
// and it keeps one state per satellite and the thinned points of the plots.
//
// The numbers follow fixed definitions, so that another implementation gets
// the same figures:
//   - epochs are the records with flag 0 or 1; a gap is a step between
//     consecutive epochs above 1.5 intervals, and its missing time is the
//     step less one interval; an epoch dated within a stretch of epochs
//     already read is a repeat and is dropped (the first is kept); an epoch
//     dated before the previous one, not a repeat, is a backward jump,
//     listed with the gaps;
//   - only GPS satellites (system G or blank) are checked; the reader picks
//     each observation's code 1, L1, L2 and code 2 (of RINEX 2: P1 where that
//     value is present, else C1; P2, else C2; of RINEX 3: C1W else C1C, L1C
//     else L1W, C2W else C2L, C2X, C2S with the L2 phase of the same
//     attribute) and says which; a usable epoch has code 1, L1, L2 and code 2
//     (0 is missing) and, with directions known, an ephemeris within 4 hours
//     and elevation >= mask;
//   - MP1, MP2 and GF of a usable epoch are the dual-frequency combinations
//     below, Nw the Melbourne-Wuebbena wide lane in cycles; a new arc starts
//     on a loss-of-lock bit since the previous usable epoch (a), a step above
//     1.5 intervals or backwards (b), |dGF| above 0.10 m + 0.002 m/s times
//     the time since the previous usable epoch (c), or Nw more than 5 cycles
//     off its mean over the arc's earlier epochs (d); a slip is an arc start
//     from (a), (c) or (d) but not (b);
//   - multipath RMS: each arc of at least 10 epochs less its own mean.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "rinex/epoch_order.h"

namespace zer2ivi::qc {

inline constexpr double kSpeedOfLight = 299792458.0;  // m/s
inline constexpr double kFrequencyL1 = 1575.42e6;     // Hz
inline constexpr double kFrequencyL2 = 1227.60e6;     // Hz
inline constexpr double kWavelengthL1 = kSpeedOfLight / kFrequencyL1;
inline constexpr double kWavelengthL2 = kSpeedOfLight / kFrequencyL2;
inline constexpr double kAlpha = (kFrequencyL1 / kFrequencyL2) * (kFrequencyL1 / kFrequencyL2);

inline constexpr double kWideLaneWavelength = kSpeedOfLight / (kFrequencyL1 - kFrequencyL2);

inline constexpr double kGapFactor = 1.5;             // intervals
inline constexpr double kGeometryFreeJump = 0.10;     // metres, plus the rate below
inline constexpr double kGeometryFreeRate = 0.002;    // metres per second since the last usable epoch
inline constexpr double kWideLaneJump = 5.0;          // cycles from the arc's mean
inline constexpr int kMinimumArcEpochs = 10;
inline constexpr double kEphemerisReach = 4 * 3600;  // seconds
inline constexpr double kDefaultMaskDegrees = 10.0;

// Multipath combinations of one usable epoch (metres).
struct Combinations {
    double mp1;
    double mp2;
    double gf;
};
Combinations Combine(double code1, double l1Cycles, double l2Cycles, double code2);
// The Melbourne-Wuebbena wide lane (cycles).
double Wide_Lane(double code1, double l1Cycles, double l2Cycles, double code2);
// The largest geometry-free change that is no slip, dt seconds apart.
double Geometry_Free_Limit(double dt);

// The rules that start an arc, as bits; their letters are "abcd".
enum ArcRule : uint8_t {
    kRuleLossOfLock = 1,      // (a)
    kRuleLongStep = 2,        // (b)
    kRuleGeometryFree = 4,    // (c)
    kRuleWideLane = 8,        // (d)
};
// "cd" for kRuleGeometryFree | kRuleWideLane; "" for none (a first arc).
std::string Rule_Letters(uint8_t rules);
// An arc start from (a), (c) or (d) without (b).
inline bool Is_Slip(uint8_t rules) {
    return (rules & (kRuleLossOfLock | kRuleGeometryFree | kRuleWideLane)) != 0 && (rules & kRuleLongStep) == 0;
}

// Codes a reader may choose from for one value, in order of preference.
inline constexpr size_t kMaxCodeChoices = 4;

// One satellite's values in one epoch.  A missing value has its has-flag
// false; a value of 0 counts as missing too.  An LLI of -1 is blank.
struct SatelliteObservation {
    char system = 'G';  // 'G', 'R', 'E', 'S', ... ; ' ' is GPS
    int prn = 0;        // 1..99
    bool hasCode1 = false, hasL1 = false, hasL2 = false, hasCode2 = false;
    double code1 = 0, l1 = 0, l2 = 0, code2 = 0;  // metres, cycles, cycles, metres
    // Which of the reader's choices (in order of preference) each value is.
    uint8_t code1Choice = 0, code2Choice = 0, phase1Choice = 0;
    int lliL1 = -1, lliL2 = -1;
};

struct QcEpoch {
    double time = 0;  // GPS seconds since 1980-01-06 (gps_clock.h)
    int flag = 0;     // 0..6: only 0 and 1 are epochs
    std::span<const SatelliteObservation> satellites;
};

// Where a GPS satellite is seen from the receiver, when a navigation file is
// given.  Direction answers false when no ephemeris of that satellite lies
// within 4 hours of the time.
class SatelliteDirections {
public:
    virtual ~SatelliteDirections() = default;
    // Elevations are known (a receiver position other than 0,0,0).
    virtual bool Knows_Elevations() const = 0;
    virtual bool Direction(int prn, double time, double& elevationDegrees,
                           double& azimuthDegrees) = 0;
};

// The most frequent step between consecutive epochs, rounded to the
// millisecond, the smallest one on a tie: for files without INTERVAL.
class IntervalFinder {
public:
    void Add(double time);
    // Nothing before two epochs.
    std::optional<double> Interval() const;

private:
    static constexpr size_t kMaxDistinctSteps = 100000;
    std::unordered_map<int64_t, int64_t> counts_;  // milliseconds -> steps
    std::optional<double> last_;
};

struct QcSettings {
    double interval = 30.0;           // seconds; 0 when unknown
    double maskDegrees = kDefaultMaskDegrees;
    SatelliteDirections* directions = nullptr;  // none: no navigation file
};

struct Gap {
    double before;  // the epoch before the gap
    double after;   // the epoch after it (earlier than before: a backward jump)
    bool Backward() const { return after < before; }
};

struct ArcStart {
    double time;
    uint8_t rules;  // ArcRule bits; 0 for a satellite's first arc
};

// A satellite's figures at the end.
struct SatelliteFigures {
    char system = 'G';
    int prn = 0;
    bool gps = true;
    int64_t epochsObserved = 0;
    int64_t usableEpochs = 0;
    int64_t arcs = 0;
    int64_t slips = 0;
    // Usable epochs by the choice of code 1, code 2 (and with it phase 2)
    // and phase 1 they used.
    std::array<int64_t, kMaxCodeChoices> usableCode1{}, usableCode2{}, usablePhase1{};
    std::vector<ArcStart> arcStarts;  // the first kMaxArcStartsListed
    int64_t keptPoints = 0;        // MP points in arcs of >= 10 epochs
    double sumSquares1 = 0;        // of MP1 less its arc mean, over kept arcs
    double sumSquares2 = 0;
    double first = 0, last = 0;    // first and last epoch observed
    std::optional<double> Mp1_Rms() const;
    std::optional<double> Mp2_Rms() const;
    std::string Name() const;      // "G05", "R12"
};

// Thinned points for the pictures.
struct MultipathPoint {
    double time;
    float mp1;  // less the arc mean (metres)
    float mp2;
    float elevation;  // degrees; NaN when not known
    uint32_t epochIndex;
    uint32_t arc;
};
struct SkyPoint {
    float azimuth;    // degrees
    float elevation;  // degrees
    uint32_t epochIndex;
};
struct Stretch {
    double start;
    double end;
};
struct SatellitePlot {
    std::vector<Stretch> observed;   // stretches of consecutive epochs
    std::vector<double> slipTimes;   // at most kMaxSlipMarks
    std::vector<MultipathPoint> multipath;
    std::vector<SkyPoint> sky;
};

struct QcResult {
    int64_t epochs = 0;
    double first = 0, last = 0;
    double interval = 0;
    int64_t expectedEpochs = 0;
    std::optional<double> Completeness() const;
    int64_t gapCount = 0;           // backward jumps included
    std::vector<Gap> gaps;          // the first kMaxGapsListed
    double missingSeconds = 0;      // over all forward gaps
    int64_t repeatedEpochs = 0;     // dropped
    int64_t backwardJumps = 0;
    int64_t noEphemeris = 0;        // GPS satellite-epochs without an ephemeris within reach
    std::vector<SatelliteFigures> satellites;  // sorted by system and PRN
    std::vector<SatellitePlot> plots;          // same order
    int64_t usableEpochs = 0;
    int64_t slips = 0;
    int64_t keptPoints = 0;
    double sumSquares1 = 0, sumSquares2 = 0;
    std::optional<double> Mp1_Rms() const;
    std::optional<double> Mp2_Rms() const;
    std::optional<double> Observations_Per_Slip() const;
};

class QcEngine {
public:
    static constexpr size_t kMaxGapsListed = 10000;
    static constexpr size_t kMaxSlipMarks = 2000;             // per satellite
    static constexpr size_t kMaxStretches = 400;              // per satellite
    static constexpr size_t kMaxMultipathPoints = 24000;      // all satellites
    static constexpr size_t kMaxSkyPoints = 24000;            // all satellites
    static constexpr size_t kMaxArcStartsListed = 2000;       // per satellite

    explicit QcEngine(const QcSettings& settings);
    void Add(const QcEpoch& epoch);
    // Closes the open arcs; the engine is done afterwards.
    QcResult Finish();

private:
    struct Arc {
        int64_t count = 0;
        double origin1 = 0, origin2 = 0;  // MP values of the arc's first epoch
        double sum1 = 0, sumSquares1 = 0, sum2 = 0, sumSquares2 = 0;  // relative to the origins
        double wideLaneOrigin = 0, wideLaneSum = 0;  // Nw of the first epoch; sum relative to it
    };
    struct SatelliteState {
        SatelliteFigures figures;
        SatellitePlot plot;
        bool lossOfLockPending = false;
        bool hasUsable = false;
        double lastUsable = 0;
        double lastGeometryFree = 0;
        int64_t lastSeenEpoch = -1;
        double stretchMerge = 0;  // stretches closer than this are joined
        Arc arc;
    };

    SatelliteState& State_Of(char system, int prn);
    void Observe(SatelliteState& state, const SatelliteObservation& obs, double time);
    void Close_Arc(SatelliteState& state);
    void Add_Stretch(SatelliteState& state, double time);
    void Thin_Multipath();
    void Thin_Sky();
    static rinex::Ticks Ticks_Of(double seconds);

    QcSettings settings_;
    double longStep_;  // a step above this is a gap (and starts an arc)
    QcResult result_;
    int64_t epochIndex_ = -1;
    double previousTime_ = 0;
    rinex::EpochOrder order_;
    // Satellites by system letter and PRN: index into states_, -1 when new.
    std::array<int32_t, 27 * 100> lookup_;
    std::vector<SatelliteState> states_;
    uint32_t multipathStride_ = 1;
    size_t multipathPoints_ = 0;
    uint32_t skyStride_ = 1;
    size_t skyPoints_ = 0;
};

}  // namespace zer2ivi::qc
