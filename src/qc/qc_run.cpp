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

// The code types in order of preference, per frequency.
constexpr std::array<std::string_view, 2> kCode1Choice = {"P1", "C1"};
constexpr std::array<std::string_view, 2> kCode2Choice = {"P2", "C2"};

std::vector<std::string> Offered(const rinex::ObsHeader& header, const std::array<std::string_view, 2>& choice) {
    std::vector<std::string> codes;
    for (std::string_view code : choice)
        if (header.typeIndex(code) >= 0) codes.emplace_back(code);
    return codes;
}

std::string Ended_Short_Warning(const std::string& error) {
    return error + "; the whole epochs before were checked";
}

int Index_Of(const rinex::ObsReader& reader, std::string_view code) {
    if (code.size() != 2) return -1;
    for (size_t i = 0; i < reader.typeCount(); ++i)
        if (reader.types()[i][0] == code[0] && reader.types()[i][1] == code[1])
            return static_cast<int>(i);
    return -1;
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

}  // namespace

bool Run_Quality_Check(const QcRunOptions& options, QcReport& report, std::string& error) {
    rinex::ObsReader reader;
    if (!Open(reader, options.observationPath, error)) return false;
    const rinex::ObsHeader& header = reader.header();

    report.inputName = options.inputName;
    report.markerName = header.markerName;
    report.codes1 = Offered(header, kCode1Choice);
    report.codes2 = Offered(header, kCode2Choice);
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
        const int p1 = Index_Of(reader, "P1");
        const int c1 = Index_Of(reader, "C1");
        const int l1 = Index_Of(reader, "L1");
        const int l2 = Index_Of(reader, "L2");
        const int p2 = Index_Of(reader, "P2");
        const int c2 = Index_Of(reader, "C2");
        satellites.clear();
        for (size_t s = 0; s < epoch.satelliteCount(); ++s) {
            const rinex::SatelliteObs& sat = epoch.satellite(s);
            SatelliteObservation& o = satellites.emplace_back();
            o.system = sat.system;
            o.prn = sat.prn;
            int lli1 = 0, lli2 = 0;
            // Code 1 is P1 where this observation has it, else C1; code 2 alike.
            Take(epoch, s, p1, o.hasCode1, o.code1);
            o.code1IsP = o.hasCode1;
            if (!o.hasCode1) Take(epoch, s, c1, o.hasCode1, o.code1);
            Take(epoch, s, p2, o.hasCode2, o.code2);
            o.code2IsP = o.hasCode2;
            if (!o.hasCode2) Take(epoch, s, c2, o.hasCode2, o.code2);
            Take(epoch, s, l1, o.hasL1, o.l1, &lli1);
            Take(epoch, s, l2, o.hasL2, o.l2, &lli2);
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
