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

std::string Json_Strings(const std::vector<std::string>& texts) {
    std::string out = "[";
    for (size_t i = 0; i < texts.size(); ++i) out += (i == 0 ? "" : ", ") + Json_String(texts[i]);
    return out + "]";
}

// Arc starts of one satellite, three to a line.
std::string Arc_Start_Lines(const SatelliteFigures& s) {
    constexpr size_t kPerLine = 3;
    std::string out;
    for (size_t i = 0; i < s.arcStarts.size(); ++i) {
        const ArcStart& a = s.arcStarts[i];
        out += i % kPerLine == 0 ? (i == 0 ? Left(s.Name(), 5) : std::string(5, ' ')) : "  ";
        const std::string rules = Rule_Letters(a.rules);
        out += Iso_Time(a.time) + " " + Left(rules.empty() ? "-" : rules, 4);
        if (i % kPerLine == kPerLine - 1 || i + 1 == s.arcStarts.size()) {
            while (!out.empty() && out.back() == ' ') out.pop_back();
            out += "\n";
        }
    }
    if (s.arcs > static_cast<int64_t>(s.arcStarts.size()))
        out += std::string(5, ' ') + "... and " + std::to_string(s.arcs - static_cast<int64_t>(s.arcStarts.size())) +
               " more\n";
    return out;
}

}  // namespace

std::string Codes_Text(const QcReport& r) {
    const auto choice = [](const std::vector<std::string>& codes, const char* none) {
        if (codes.empty()) return std::string(none);
        std::string text = codes[0];
        for (size_t i = 1; i < codes.size(); ++i) text += " else " + codes[i];
        return text;
    };
    const bool onePhase = r.choices.phase1.size() <= 1;
    return "code 1 " + choice(r.codes1, "none") + ", code 2 " + choice(r.codes2, "none") + " (per observation), with " +
           (onePhase ? std::string("L1 and L2") : choice(r.choices.phase1, "none") + " and the L2 phase of code 2");
}

std::vector<Code_Column> Code_Columns(const CodeChoices& choices) {
    std::vector<Code_Column> columns;
    const auto add = [&columns](const std::vector<std::string>& names, std::array<int64_t, kMaxCodeChoices> SatelliteFigures::*counts) {
        for (size_t i = 0; i < names.size() && i < kMaxCodeChoices; ++i) columns.push_back({names[i], counts, i});
    };
    add(choices.code1, &SatelliteFigures::usableCode1);
    add(choices.code2, &SatelliteFigures::usableCode2);
    if (choices.phase1.size() > 1) add(choices.phase1, &SatelliteFigures::usablePhase1);
    return columns;
}

std::string Gap_Text(const Gap& g, double interval) {
    if (g.Backward()) return "backward jump of " + Trimmed(g.before - g.after, 3) + " s";
    return Trimmed(g.after - g.before - interval, 3) + " s missing (step " + Trimmed(g.after - g.before, 3) + " s)";
}

namespace {

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
        line("gaps", std::to_string(q.gapCount) + ", " + Trimmed(q.missingSeconds, 3) + " s missing in all" +
                         (q.backwardJumps > 0 ? ", " + std::to_string(q.backwardJumps) + " backward jumps" : ""));
        for (size_t i = 0; i < q.gaps.size() && i < kGapsShown; ++i) {
            const Gap& g = q.gaps[i];
            line("", Iso_Time(g.before) + " to " + Iso_Time(g.after) + "  " + Gap_Text(g, q.interval));
        }
        if (q.gapCount > static_cast<int64_t>(kGapsShown))
            line("", "... and " + std::to_string(q.gapCount - static_cast<int64_t>(kGapsShown)) + " more");
    }
    line("codes", Codes_Text(r));
    line("elevations", Elevation_Note(r));
    line("usable", std::to_string(q.usableEpochs) + " satellite epochs, " + std::to_string(q.slips) +
                       " slips, " + Or_Dash(q.Observations_Per_Slip(), 1) + " observations per slip");
    line("multipath", "MP1 RMS " + Or_Dash(q.Mp1_Rms(), 3) + " m, MP2 RMS " + Or_Dash(q.Mp2_Rms(), 3) + " m");
    for (const std::string& warning : r.warnings) line("warning", Valid_Utf8(warning));
    out += "\n";
    const std::vector<Code_Column> columns = Code_Columns(r.choices);
    out += "sat  observed  usable  arcs  slips  MP1 m  MP2 m ";
    for (size_t c = 0; c < columns.size(); ++c) out += Right(columns[c].name, 7);
    out += "  first                last\n";
    for (const SatelliteFigures& s : q.satellites) {
        const auto count = [&s](int64_t n) { return s.gps ? std::to_string(n) : std::string(kNone); };
        out += Left(s.Name(), 3) + Right(std::to_string(s.epochsObserved), 10) +
               Right(count(s.usableEpochs), 8) + Right(count(s.arcs), 6) + Right(count(s.slips), 7) +
               Right(Or_Dash(s.Mp1_Rms(), 3), 7) + Right(Or_Dash(s.Mp2_Rms(), 3), 7) + " ";
        for (const Code_Column& column : columns) out += Right(count(column.count(s)), 7);
        out += "  " + Left(Iso_Time(s.first), 19) + "  " + Iso_Time(s.last) + "\n";
    }
    std::string starts;
    for (const SatelliteFigures& s : q.satellites)
        if (s.gps) starts += Arc_Start_Lines(s);
    if (!starts.empty())
        out += "\narc starts (time and rules: a loss of lock, b long step, c geometry-free, d wide lane; "
               "- first arc)\n" + starts;
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
                ", \"step_seconds\": " + Trimmed(g.after - g.before, 6) + ", \"missing_seconds\": " +
                (g.Backward() ? std::string("null") : Trimmed(g.after - g.before - q.interval, 6)) + "}";
    }
    gaps += q.gaps.empty() ? "]" : "\n  ]";
    field("gaps", gaps);
    field("missing_seconds", Trimmed(q.missingSeconds, 6));
    field("repeated_epochs", std::to_string(q.repeatedEpochs));
    field("backward_jumps", std::to_string(q.backwardJumps));
    field("code1_types", Json_Strings(r.codes1));
    field("code2_types", Json_Strings(r.codes2));
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
    field("no_ephemeris_epochs", std::to_string(q.noEphemeris));
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
                      time(s.first) + ", \"last_epoch\": " + time(s.last);
        if (s.gps) {
            std::string used;
            for (const Code_Column& column : Code_Columns(r.choices))
                used += (used.empty() ? "" : ", ") + Json_String(column.name) + ": " + std::to_string(column.count(s));
            satellites += ", \"codes_used\": {" + used + "}, \"arc_starts\": [";
            for (size_t k = 0; k < s.arcStarts.size(); ++k)
                satellites += std::string(k == 0 ? "" : ", ") + "{\"time\": " + time(s.arcStarts[k].time) +
                              ", \"rules\": " + Json_String(Rule_Letters(s.arcStarts[k].rules)) + "}";
            satellites += "]";
        } else {
            satellites += ", \"codes_used\": null, \"arc_starts\": null";
        }
        satellites += "}";
    }
    satellites += q.satellites.empty() ? "]" : "\n  ]";
    field("satellites", satellites);
    field("warnings", Json_Strings(r.warnings));
    out += "\n}\n";
    return out;
}

}  // namespace zer2ivi::qc
