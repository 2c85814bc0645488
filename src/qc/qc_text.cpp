// The text summary and the JSON object.
#include <cmath>
#include <cstdio>

#include "qc/gps_clock.h"
#include "qc/qc_format.h"
#include "qc/qc_report.h"

namespace zer2ivi::qc {
namespace {

constexpr size_t kGapsShown = 5;
constexpr const char* kNone = "\xE2\x80\x93";  // en dash: no value

std::string Or_Dash(const std::optional<double>& value, int decimals) {
    return value ? Fixed(*value, decimals) : kNone;
}

std::string Json_Number(const std::optional<double>& value, int decimals) {
    return value ? Trimmed(*value, decimals) : "null";
}

std::string Duration(double seconds) {
    const auto whole = static_cast<int64_t>(std::llround(seconds));
    const int64_t days = whole / 86400;
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(whole / 3600 % 24),
                  static_cast<int>(whole / 60 % 60), static_cast<int>(whole % 60));
    return days > 0 ? std::to_string(days) + " d " + text : std::string(text);
}

// Columns padded to a width, numbers right-aligned.
std::string Right(const std::string& text, size_t width) {
    // The en dash is one column but three bytes.
    const size_t shown = text == kNone ? 1 : text.size();
    return shown >= width ? text : std::string(width - shown, ' ') + text;
}

std::string Left(const std::string& text, size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string Codes(const QcReport& r) {
    const std::string c1 = r.code1.empty() ? "no code on L1" : r.code1;
    const std::string c2 = r.code2.empty() ? "no code on L2" : r.code2;
    return c1 + " and " + c2 + " with L1 and L2";
}

}  // namespace

std::string Elevation_Note(const QcReport& r) {
    if (!r.navigation) return "none: no navigation file";
    if (!r.elevationsKnown) return "none: the receiver position is 0,0,0";
    return "mask " + Trimmed(r.maskDegrees, 3) + " deg, position from " +
           (r.positionSource == PositionSource::kOption ? "--position" : "the header");
}

std::string Text_Summary(const QcReport& r) {
    const QcResult& q = r.result;
    std::string out;
    auto line = [&out](const std::string& label, const std::string& text) {
        out += Left(label, 14) + text + "\n";
    };
    out += "zer2ivi qc: " + Valid_Utf8(r.inputName);
    if (!r.markerName.empty()) out += " (marker " + Valid_Utf8(r.markerName) + ")";
    out += "\n";
    if (q.epochs == 0) {
        line("epochs", "none");
        return out;
    }
    line("span", Iso_Time(q.first) + " to " + Iso_Time(q.last) + " (" + Duration(q.last - q.first) + ")");
    line("interval", r.intervalKnown ? Trimmed(q.interval, 3) + " s (" +
                                           (r.intervalFromHeader ? "header" : "most frequent step") + ")"
                                     : std::string(kNone));
    line("epochs", std::to_string(q.epochs) + " present of " + std::to_string(q.expectedEpochs) +
                       " expected, completeness " +
                       (q.Completeness() ? Fixed(*q.Completeness() * 100, 2) + " %" : kNone));
    if (q.gapCount == 0) {
        line("gaps", "none");
    } else {
        double total = 0;
        for (const Gap& g : q.gaps) total += g.after - g.before;
        line("gaps", std::to_string(q.gapCount) + (q.gaps.size() == static_cast<size_t>(q.gapCount)
                                                        ? " (" + Trimmed(total, 3) + " s in all)"
                                                        : ""));
        for (size_t i = 0; i < q.gaps.size() && i < kGapsShown; ++i) {
            const Gap& g = q.gaps[i];
            line("", Iso_Time(g.before) + " to " + Iso_Time(g.after) + "  " +
                         Trimmed(g.after - g.before, 3) + " s");
        }
        if (q.gapCount > static_cast<int64_t>(kGapsShown))
            line("", "... and " + std::to_string(q.gapCount - static_cast<int64_t>(kGapsShown)) + " more");
    }
    line("codes", Codes(r));
    line("elevations", Elevation_Note(r));
    line("usable", std::to_string(q.usableEpochs) + " satellite epochs, " + std::to_string(q.slips) +
                       " slips, " + Or_Dash(q.Observations_Per_Slip(), 1) + " observations per slip");
    line("multipath", "MP1 RMS " + Or_Dash(q.Mp1_Rms(), 3) + " m, MP2 RMS " + Or_Dash(q.Mp2_Rms(), 3) + " m");
    out += "\n";
    out += "sat  observed  usable  arcs  slips  MP1 m  MP2 m  first                last\n";
    for (const SatelliteFigures& s : q.satellites) {
        const auto count = [&s](int64_t n) { return s.gps ? std::to_string(n) : std::string(kNone); };
        out += Left(s.Name(), 3) + Right(std::to_string(s.epochsObserved), 10) +
               Right(count(s.usableEpochs), 8) + Right(count(s.arcs), 6) + Right(count(s.slips), 7) +
               Right(Or_Dash(s.Mp1_Rms(), 3), 7) + Right(Or_Dash(s.Mp2_Rms(), 3), 7) + "  " +
               Left(Iso_Time(s.first), 19) + "  " + Iso_Time(s.last) + "\n";
    }
    return out;
}

std::string Json_Report(const QcReport& r) {
    const QcResult& q = r.result;
    const bool any = q.epochs > 0;
    std::string out = "{";
    bool first = true;
    auto field = [&](const char* name, const std::string& value) {
        out += first ? "\n  " : ",\n  ";
        first = false;
        out += Json_String(name) + ": " + value;
    };
    auto time = [](double t) { return Json_String(Iso_Time(t)); };
    auto code = [](const std::string& c) { return c.empty() ? std::string("null") : Json_String(c); };
    field("input", Json_String(r.inputName));
    field("marker", Json_String(r.markerName));
    field("first_epoch", any ? time(q.first) : "null");
    field("last_epoch", any ? time(q.last) : "null");
    field("span_seconds", any ? Trimmed(q.last - q.first, 6) : "null");
    field("interval_seconds", r.intervalKnown ? Trimmed(q.interval, 6) : "null");
    field("interval_source", !r.intervalKnown ? "null" : Json_String(r.intervalFromHeader ? "header" : "data"));
    field("epochs_expected", std::to_string(q.expectedEpochs));
    field("epochs_present", std::to_string(q.epochs));
    field("completeness", Json_Number(q.Completeness(), 6));
    field("gap_count", std::to_string(q.gapCount));
    std::string gaps = "[";
    for (size_t i = 0; i < q.gaps.size(); ++i) {
        const Gap& g = q.gaps[i];
        gaps += (i == 0 ? "\n    " : ",\n    ");
        gaps += "{\"before\": " + time(g.before) + ", \"after\": " + time(g.after) +
                ", \"seconds\": " + Trimmed(g.after - g.before, 6) + "}";
    }
    gaps += q.gaps.empty() ? "]" : "\n  ]";
    field("gaps", gaps);
    field("code1", code(r.code1));
    field("code2", code(r.code2));
    field("navigation", r.navigation ? "true" : "false");
    field("ephemerides", std::to_string(r.ephemerides));
    field("elevations", r.elevationsKnown ? "true" : "false");
    field("elevation_note", Json_String(Elevation_Note(r)));
    field("mask_degrees", r.elevationsKnown ? Trimmed(r.maskDegrees, 6) : "null");
    if (r.positionSource == PositionSource::kNone) {
        field("position", "null");
    } else {
        field("position", "{\"x\": " + Trimmed(r.position.x, 4) + ", \"y\": " + Trimmed(r.position.y, 4) +
                              ", \"z\": " + Trimmed(r.position.z, 4) + ", \"source\": " +
                              Json_String(r.positionSource == PositionSource::kOption ? "option" : "header") +
                              "}");
    }
    field("usable_epochs", std::to_string(q.usableEpochs));
    field("slips", std::to_string(q.slips));
    field("observations_per_slip", Json_Number(q.Observations_Per_Slip(), 3));
    field("mp1_rms", Json_Number(q.Mp1_Rms(), 4));
    field("mp2_rms", Json_Number(q.Mp2_Rms(), 4));
    std::string satellites = "[";
    for (size_t i = 0; i < q.satellites.size(); ++i) {
        const SatelliteFigures& s = q.satellites[i];
        const auto count = [&s](int64_t n) { return s.gps ? std::to_string(n) : std::string("null"); };
        satellites += (i == 0 ? "\n    " : ",\n    ");
        satellites += "{\"satellite\": " + Json_String(s.Name()) + ", \"system\": " +
                      Json_String(std::string(1, s.system)) + ", \"prn\": " + std::to_string(s.prn) +
                      ", \"epochs_observed\": " + std::to_string(s.epochsObserved) +
                      ", \"usable_epochs\": " + count(s.usableEpochs) + ", \"arcs\": " + count(s.arcs) +
                      ", \"slips\": " + count(s.slips) + ", \"mp1_rms\": " + Json_Number(s.Mp1_Rms(), 4) +
                      ", \"mp2_rms\": " + Json_Number(s.Mp2_Rms(), 4) + ", \"first_epoch\": " +
                      time(s.first) + ", \"last_epoch\": " + time(s.last) + "}";
    }
    satellites += q.satellites.empty() ? "]" : "\n  ]";
    field("satellites", satellites);
    out += "\n}\n";
    return out;
}

}  // namespace zer2ivi::qc
