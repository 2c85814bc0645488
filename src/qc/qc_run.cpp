#include "qc/qc_run.h"

#include <array>
#include <string_view>
#include <vector>

#include "rinex2/interval_estimator.h"
#include "rinex2/obs_reader.h"

namespace zer2ivi::qc {
namespace {

constexpr double kTicksToSeconds = 1.0 / static_cast<double>(rinex2::kTicksPerSecond);

// The code types in order of preference, per frequency.
constexpr std::array<std::string_view, 2> kCode1Choice = {"P1", "C1"};
constexpr std::array<std::string_view, 2> kCode2Choice = {"P2", "C2"};

std::string Choose(const rinex2::ObsHeader& header, const std::array<std::string_view, 2>& choice) {
    for (std::string_view code : choice)
        if (header.typeIndex(code) >= 0) return std::string(code);
    return {};
}

int Index_Of(const rinex2::ObsReader& reader, std::string_view code) {
    if (code.size() != 2) return -1;
    for (size_t i = 0; i < reader.typeCount(); ++i)
        if (reader.types()[i][0] == code[0] && reader.types()[i][1] == code[1])
            return static_cast<int>(i);
    return -1;
}

bool Open(rinex2::ObsReader& reader, const std::string& path, std::string& error) {
    if (reader.open(path)) return true;
    error = reader.error();
    return false;
}

// The first pass for a file without INTERVAL: the most frequent step.
bool Find_Interval(const std::string& path, std::optional<double>& interval, std::string& error) {
    rinex2::ObsReader reader;
    if (!Open(reader, path, error)) return false;
    rinex2::IntervalEstimator estimator;
    rinex2::ObsEpoch epoch;
    rinex2::ObsReader::Status status;
    while ((status = reader.next(epoch)) == rinex2::ObsReader::Status::kEpoch)
        if (epoch.isObservationEpoch()) estimator.add(epoch.time);
    if (status == rinex2::ObsReader::Status::kError) {
        error = reader.error();
        return false;
    }
    if (const auto ticks = estimator.interval())
        interval = static_cast<double>(*ticks) * kTicksToSeconds;
    return true;
}

// One value of a satellite, or nothing.
void Take(const rinex2::ObsEpoch& epoch, size_t satellite, int type, bool& has, double& value,
          int* lli = nullptr) {
    has = false;
    value = 0;
    if (type < 0 || static_cast<size_t>(type) >= epoch.typeCount) return;
    const rinex2::ObsValue& v = epoch.value(satellite, static_cast<size_t>(type));
    if (lli != nullptr) *lli = v.lli;
    if (!v.present) return;
    has = v.value != 0;
    value = v.value;
}

}  // namespace

bool Run_Quality_Check(const QcRunOptions& options, QcReport& report, std::string& error) {
    rinex2::ObsReader reader;
    if (!Open(reader, options.observationPath, error)) return false;
    const rinex2::ObsHeader& header = reader.header();

    report.inputName = options.inputName;
    report.markerName = header.markerName;
    report.code1 = Choose(header, kCode1Choice);
    report.code2 = Choose(header, kCode2Choice);
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

    QcSettings settings;
    settings.interval = report.intervalKnown ? *interval : 0.0;
    settings.maskDegrees = options.maskDegrees;
    settings.directions = directions ? &*directions : nullptr;
    QcEngine engine(settings);

    std::vector<SatelliteObservation> satellites;
    satellites.reserve(rinex2::kMaxSatellites);
    rinex2::ObsEpoch epoch;
    rinex2::ObsReader::Status status;
    while ((status = reader.next(epoch)) == rinex2::ObsReader::Status::kEpoch) {
        if (!epoch.isObservationEpoch()) continue;
        // Figures of a file out of time order would mislead: refused.
        if (epoch.order != rinex2::TimeOrder::kForward) {
            error = reader.orderMessage(epoch);
            return false;
        }
        // Types may change at an event epoch: look them up for each epoch.
        const int code1 = Index_Of(reader, report.code1);
        const int l1 = Index_Of(reader, "L1");
        const int l2 = Index_Of(reader, "L2");
        const int code2 = Index_Of(reader, report.code2);
        satellites.clear();
        for (size_t s = 0; s < epoch.satelliteCount(); ++s) {
            const rinex2::SatelliteObs& sat = epoch.satellite(s);
            SatelliteObservation& o = satellites.emplace_back();
            o.system = sat.system;
            o.prn = sat.prn;
            int lli1 = 0, lli2 = 0;
            Take(epoch, s, code1, o.hasCode1, o.code1);
            Take(epoch, s, l1, o.hasL1, o.l1, &lli1);
            Take(epoch, s, l2, o.hasL2, o.l2, &lli2);
            Take(epoch, s, code2, o.hasCode2, o.code2);
            o.lliL1 = lli1;
            o.lliL2 = lli2;
        }
        engine.Add({static_cast<double>(epoch.time) * kTicksToSeconds, epoch.flag, satellites});
    }
    if (status == rinex2::ObsReader::Status::kError) {
        error = reader.error();
        return false;
    }
    report.result = engine.Finish();
    return true;
}

}  // namespace zer2ivi::qc
