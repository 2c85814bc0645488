#include "qc/qc_run.h"

#include <array>
#include <string_view>
#include <vector>

#include "qc/gps_clock.h"
#include "rinex/interval_estimator.h"
#include "rinex/obs_reader.h"

namespace zer2ivi::qc {
namespace {

constexpr double kTicksToSeconds = 1.0 / static_cast<double>(rinex::kTicksPerSecond);

// The codes of GPS values, in order of preference, per line layout.
// Phase 2 goes with code 2: the same index.
struct ChoiceTable {
    std::vector<std::string_view> code1, code2, phase1, phase2;
};
const ChoiceTable kRinex2Choices = {{"P1", "C1"}, {"P2", "C2"}, {"L1"}, {"L2", "L2"}};
const ChoiceTable kRinex3Choices = {
    {"C1W", "C1C"}, {"C2W", "C2L", "C2X", "C2S"}, {"L1C", "L1W"}, {"L2W", "L2L", "L2X", "L2S"}};

std::vector<std::string> Names(const std::vector<std::string_view>& codes) {
    return {codes.begin(), codes.end()};
}

// Index of a code among the types in force for GPS values, or -1.
int Index_Of(const rinex::ObsReader& reader, bool layout3, std::string_view code) {
    if (layout3) {
        const auto parsed = rinex::Parse_Obs_Code(code);
        return parsed ? reader.typesOf('G').indexOf(*parsed) : -1;
    }
    if (code.size() != 2) return -1;
    for (size_t i = 0; i < reader.typeCount(); ++i)
        if (reader.types()[i][0] == code[0] && reader.types()[i][1] == code[1]) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> Offered(const rinex::ObsReader& reader, bool layout3,
                                 const std::vector<std::string_view>& choice) {
    std::vector<std::string> codes;
    for (std::string_view code : choice)
        if (Index_Of(reader, layout3, code) >= 0) codes.emplace_back(code);
    return codes;
}

// The indices of a table's codes among the types in force.
struct ChoiceIndices {
    std::array<int, kMaxCodeChoices> code1{}, code2{}, phase1{}, phase2{};
};

void Resolve(const rinex::ObsReader& reader, bool layout3, const ChoiceTable& table, ChoiceIndices& indices) {
    const auto fill = [&](const std::vector<std::string_view>& codes, std::array<int, kMaxCodeChoices>& out) {
        out.fill(-1);
        for (size_t i = 0; i < codes.size() && i < kMaxCodeChoices; ++i) out[i] = Index_Of(reader, layout3, codes[i]);
    };
    fill(table.code1, indices.code1);
    fill(table.code2, indices.code2);
    fill(table.phase1, indices.phase1);
    fill(table.phase2, indices.phase2);
}

std::string Ended_Short_Warning(const std::string& error) {
    return error + "; the whole epochs before were checked";
}

bool Open(rinex::ObsReader& reader, const std::string& path, std::string& error) {
    if (reader.open(path)) return true;
    error = reader.error();
    return false;
}

// The first pass for a file without INTERVAL: the most frequent step.  A
// file that ends inside an epoch gives the steps of its whole epochs.
bool Find_Interval(const std::string& path, std::optional<double>& interval, std::string& error) {
    rinex::ObsReader reader;
    if (!Open(reader, path, error)) return false;
    rinex::IntervalEstimator estimator;
    rinex::ObsEpoch epoch;
    rinex::ObsReader::Status status;
    while ((status = reader.next(epoch)) == rinex::ObsReader::Status::kEpoch)
        if (epoch.isObservationEpoch()) estimator.add(epoch.time);
    if (status == rinex::ObsReader::Status::kError && !reader.endedShort()) {
        error = reader.error();
        return false;
    }
    if (const auto ticks = estimator.interval())
        interval = static_cast<double>(*ticks) * kTicksToSeconds;
    return true;
}

// One value of a satellite, or nothing.
void Take(const rinex::ObsEpoch& epoch, size_t satellite, int type, bool& has, double& value,
          int* lli = nullptr) {
    has = false;
    value = 0;
    if (type < 0 || static_cast<size_t>(type) >= epoch.typeCount) return;
    const rinex::ObsValue& v = epoch.value(satellite, static_cast<size_t>(type));
    if (lli != nullptr) *lli = v.lli;
    if (!v.present) return;
    has = v.value != 0;
    value = v.value;
}

// The first choice whose value this satellite has: its index, or nothing.
uint8_t Take_First(const rinex::ObsEpoch& epoch, size_t satellite, const std::array<int, kMaxCodeChoices>& types,
                   bool& has, double& value, int* lli = nullptr) {
    for (size_t i = 0; i < kMaxCodeChoices; ++i) {
        Take(epoch, satellite, types[i], has, value, lli);
        if (has) return static_cast<uint8_t>(i);
    }
    return 0;
}

}  // namespace

bool Run_Quality_Check(const QcRunOptions& options, QcReport& report, std::string& error) {
    rinex::ObsReader reader;
    if (!Open(reader, options.observationPath, error)) return false;
    const rinex::ObsHeader& header = reader.header();

    report.inputName = options.inputName;
    report.markerName = header.markerName;
    const bool layout3 = header.lineLayout3();
    const ChoiceTable& table = layout3 ? kRinex3Choices : kRinex2Choices;
    report.codes1 = Offered(reader, layout3, table.code1);
    report.codes2 = Offered(reader, layout3, table.code2);
    report.choices = {Names(table.code1), Names(table.code2), Names(table.phase1), Names(table.phase2)};
    report.maskDegrees = options.maskDegrees;
    report.navigation = options.ephemerides != nullptr;
    report.ephemerides = options.ephemerides != nullptr ? options.ephemerides->Size() : 0;
    if (options.position) {
        report.positionSource = PositionSource::kOption;
        report.position = *options.position;
    } else if (header.approxPosition) {
        report.positionSource = PositionSource::kHeader;
        report.position = {(*header.approxPosition)[0], (*header.approxPosition)[1],
                           (*header.approxPosition)[2]};
    }

    std::optional<double> interval;
    if (header.interval && *header.interval > 0) {
        interval = static_cast<double>(*header.interval) * kTicksToSeconds;
        report.intervalFromHeader = true;
    } else if (!Find_Interval(options.observationPath, interval, error)) {
        return false;
    }
    report.intervalKnown = interval && *interval > 0;

    std::optional<BroadcastDirections> directions;
    if (options.ephemerides != nullptr) directions.emplace(*options.ephemerides, report.position);
    report.elevationsKnown = directions && directions->Knows_Elevations();
    if (options.ephemerides == nullptr) {
        if (options.maskGiven)
            report.warnings.push_back("--mask not applied: elevations need a navigation file (--nav)");
        if (options.position)
            report.warnings.push_back("--position not applied: elevations need a navigation file (--nav)");
    } else if (!report.elevationsKnown && options.maskGiven) {
        report.warnings.push_back("--mask not applied: the receiver position is 0,0,0");
    }

    QcSettings settings;
    settings.interval = report.intervalKnown ? *interval : 0.0;
    settings.maskDegrees = options.maskDegrees;
    settings.directions = directions ? &*directions : nullptr;
    QcEngine engine(settings);

    std::vector<SatelliteObservation> satellites;
    satellites.reserve(rinex::kMaxSatellites);
    rinex::ObsEpoch epoch;
    rinex::ObsReader::Status status;
    std::optional<double> previous;
    uint64_t previousLine = 0;
    while ((status = reader.next(epoch)) == rinex::ObsReader::Status::kEpoch) {
        if (!epoch.isObservationEpoch()) continue;
        const double time = static_cast<double>(epoch.time) * kTicksToSeconds;
        if (previous && time <= *previous && !options.force) {
            error = reader.path() + ":" + std::to_string(epoch.firstLine) + ": epoch " + Iso_Time(time) +
                    (time == *previous ? " repeats" : " is before") + " the epoch " + Iso_Time(*previous) +
                    " of line " + std::to_string(previousLine) +
                    " (--force checks the file: repeated epochs dropped, backward jumps as gaps)";
            return false;
        }
        previous = time;
        previousLine = epoch.firstLine;
        // Types may change at an event epoch: look them up for each epoch.
        ChoiceIndices types;
        Resolve(reader, layout3, table, types);
        satellites.clear();
        for (size_t s = 0; s < epoch.satelliteCount(); ++s) {
            const rinex::SatelliteObs& sat = epoch.satellite(s);
            SatelliteObservation& o = satellites.emplace_back();
            o.system = sat.system;
            o.prn = sat.prn;
            // A RINEX 3 line holds the types of its own system.
            if (layout3 && sat.system != 'G') continue;
            int lli1 = 0, lli2 = 0;
            o.code1Choice = Take_First(epoch, s, types.code1, o.hasCode1, o.code1);
            o.code2Choice = Take_First(epoch, s, types.code2, o.hasCode2, o.code2);
            o.phase1Choice = Take_First(epoch, s, types.phase1, o.hasL1, o.l1, &lli1);
            Take(epoch, s, types.phase2[o.code2Choice], o.hasL2, o.l2, &lli2);
            o.lliL1 = lli1;
            o.lliL2 = lli2;
        }
        engine.Add({time, epoch.flag, satellites});
    }
    if (status == rinex::ObsReader::Status::kError) {
        if (!reader.endedShort()) {
            error = reader.error();
            return false;
        }
        report.warnings.push_back(Ended_Short_Warning(reader.error()));
    }
    report.result = engine.Finish();
    const QcResult& q = report.result;
    if (q.repeatedEpochs > 0)
        report.warnings.push_back(std::to_string(q.repeatedEpochs) +
                                  " repeated epochs dropped (the first of each kept)");
    if (q.backwardJumps > 0)
        report.warnings.push_back(std::to_string(q.backwardJumps) + " backward jumps in time, listed as gaps");
    if (q.noEphemeris > 0)
        report.warnings.push_back(std::to_string(q.noEphemeris) +
                                  " GPS satellite-epochs have no ephemeris within 4 hours and are not usable");
    return true;
}

}  // namespace zer2ivi::qc
