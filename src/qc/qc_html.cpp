// The HTML report: one file, no script, no network, the plots as inline
// SVG.  Coordinates are written with one decimal; points that fall on the
// same pixel as the one before are drawn once.
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <cstdio>
#include <vector>

#include "qc/gps_clock.h"
#include "qc/qc_format.h"
#include "qc/qc_report.h"

namespace zer2ivi::qc {
namespace {

constexpr const char* kNone = "\xE2\x80\x93";
constexpr double kWidth = 960;
constexpr double kLeft = 56, kRight = 20, kTop = 28, kBottom = 30;
constexpr double kRowHeight = 16;
constexpr double kPlotHeight = 220;
constexpr double kSkySize = 520, kSkyRadius = 225;
constexpr size_t kGapRowsShown = 200;

constexpr const char* kStyle = R"(
body{font:14px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"Helvetica Neue",Arial,sans-serif;color:#1d2733;background:#f4f6f9;margin:0}
main{max-width:1000px;margin:0 auto;padding:24px 12px 48px;box-sizing:border-box}
h1{font-size:22px;margin:0 0 2px}h2{font-size:17px;margin:30px 0 10px}
.sub{color:#5b6775;margin:0 0 18px}
.cards{display:grid;grid-template-columns:repeat(auto-fill,minmax(122px,1fr));gap:10px}
.card{background:#fff;border-radius:8px;padding:10px 12px;box-shadow:0 1px 2px rgba(0,0,0,.08)}
.card b{display:block;font-size:18px;font-weight:600;white-space:nowrap}.card span{color:#5b6775;font-size:12px}
.panel{background:#fff;border-radius:8px;padding:12px;box-shadow:0 1px 2px rgba(0,0,0,.08)}
.scroll{overflow-x:auto;max-width:100%}
svg{display:block;font:11px system-ui,Arial,sans-serif;width:100%;height:auto}
.sky svg{max-width:520px;margin:0 auto}
.small{display:grid;grid-template-columns:repeat(auto-fill,minmax(230px,1fr));gap:8px}
svg text{fill:#394756}
table{border-collapse:collapse;width:100%;background:#fff;font-variant-numeric:tabular-nums;font-size:13px}
table.narrow{width:auto}
th,td{padding:4px 8px;border-bottom:1px solid #e3e7ec;text-align:right;white-space:nowrap}
th{background:#eef1f5;font-weight:600}td:first-child,th:first-child{text-align:left}
.kv td{text-align:left}.kv td:first-child{color:#5b6775;width:180px}
.note{color:#5b6775}.legend span{display:inline-block;margin-right:18px}
.sky{display:flex;justify-content:center}
.sw{display:inline-block;width:12px;height:10px;margin-right:5px;vertical-align:-1px;border-radius:2px}
)";

// A colour per satellite, far apart for neighbours.
std::string Colour(size_t index, bool gps) {
    if (!gps) return "#9aa5b1";
    const int hue = static_cast<int>(std::fmod(static_cast<double>(index) * 137.508 + 210.0, 360.0));
    return "hsl(" + std::to_string(hue) + ",68%,42%)";
}

std::string N(double value) { return Trimmed(value, 1); }

std::string Or_Dash(const std::optional<double>& value, int decimals) {
    return value ? Fixed(*value, decimals) : kNone;
}

// Time axis of the plots.
struct TimeAxis {
    double first, last;
    double left = kLeft, right = kWidth - kRight;
    double X(double t) const {
        if (last <= first) return left;
        return left + (t - first) / (last - first) * (right - left);
    }
    // Tick marks at whole multiples of a step that gives at most 12 ticks.
    double Step() const {
        static const double kSteps[] = {1, 2, 5, 10, 30, 60, 120, 300, 600, 900, 1800, 3600,
                                        7200, 10800, 21600, 43200, 86400, 172800, 604800};
        for (double step : kSteps)
            if ((last - first) / step <= 12) return step;
        return 604800 * std::ceil((last - first) / (12 * 604800));
    }
    std::string Label(double t, double step) const {
        const CalendarEpoch e = Calendar_Of(t);
        char text[32];
        if (step < 60) {
            std::snprintf(text, sizeof text, "%02d:%02d:%02d", e.hour, e.minute, static_cast<int>(e.second));
        } else if (last - first > 2 * kSecondsPerDay) {
            std::snprintf(text, sizeof text, "%02d-%02d %02d:%02d", e.month, e.day, e.hour, e.minute);
        } else {
            std::snprintf(text, sizeof text, "%02d:%02d", e.hour, e.minute);
        }
        return text;
    }
    // Vertical grid lines and labels below y0..y1.
    std::string Grid(double y0, double y1) const {
        std::string out;
        const double step = Step();
        for (double t = std::ceil(first / step) * step; t <= last + 1e-6; t += step) {
            const double x = X(t);
            out += "<line x1=\"" + N(x) + "\" y1=\"" + N(y0) + "\" x2=\"" + N(x) + "\" y2=\"" + N(y1) +
                   "\" stroke=\"#e3e7ec\"/>";
            out += "<text x=\"" + N(x) + "\" y=\"" + N(y1 + 15) + "\" text-anchor=\"middle\">" +
                   Label(t, step) + "</text>";
        }
        return out;
    }
};

std::string Svg_Open(double width, double height, const std::string& label) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + N(width) + "\" height=\"" + N(height) +
           "\" viewBox=\"0 0 " + N(width) + " " + N(height) + "\" role=\"img\" aria-label=\"" +
           Html_Text(label) + "\">";
}

std::string Gap_Shading(const QcResult& q, const TimeAxis& axis, double y0, double y1) {
    std::string out;
    double drawnEnd = -1;
    for (const Gap& g : q.gaps) {
        if (g.Backward()) continue;  // no stretch of time is missing
        const double x0 = axis.X(g.before), x1 = std::max(axis.X(g.after), x0 + 1);
        if (x1 <= drawnEnd) continue;  // within the one drawn before
        drawnEnd = x1;
        out += "<rect x=\"" + N(x0) + "\" y=\"" + N(y0) + "\" width=\"" + N(x1 - x0) + "\" height=\"" +
               N(y1 - y0) + "\" fill=\"#f6c9ce\" fill-opacity=\"0.75\"><title>gap " + Iso_Time(g.before) +
               " to " + Iso_Time(g.after) + ": " + Gap_Text(g, q.interval) + "</title></rect>";
    }
    return out;
}

std::string Timeline(const QcResult& q) {
    const TimeAxis axis{q.first, q.last};
    const double rows = static_cast<double>(q.satellites.size());
    const double y1 = kTop + rows * kRowHeight;
    const double height = y1 + kBottom;
    std::string out = Svg_Open(kWidth, height, "tracking timeline per satellite");
    out += axis.Grid(kTop - 4, y1);
    out += Gap_Shading(q, axis, kTop - 4, y1);
    for (size_t i = 0; i < q.satellites.size(); ++i) {
        const SatelliteFigures& s = q.satellites[i];
        const SatellitePlot& plot = q.plots[i];
        const double y = kTop + static_cast<double>(i) * kRowHeight;
        if (i % 2 == 1)
            out += "<rect x=\"" + N(axis.left) + "\" y=\"" + N(y) + "\" width=\"" + N(axis.right - axis.left) +
                   "\" height=\"" + N(kRowHeight) + "\" fill=\"#000\" fill-opacity=\"0.025\"/>";
        out += "<text x=\"" + N(kLeft - 8) + "\" y=\"" + N(y + 11.5) + "\" text-anchor=\"end\">" +
               s.Name() + "</text>";
        std::string bars;
        for (const Stretch& st : plot.observed) {
            const double x0 = axis.X(st.start);
            const double x1 = std::max(axis.X(st.end), x0 + 1.2);
            bars.append("M").append(N(x0)).append(" ").append(N(y + 4)).append("h").append(N(x1 - x0))
                .append("v8h").append(N(x0 - x1)).append("z");
        }
        out += "<path d=\"" + bars + "\" fill=\"" + Colour(i, s.gps) + "\"><title>" + s.Name() + ": " +
               std::to_string(s.epochsObserved) + " epochs observed</title></path>";
        std::string marks;
        double lastX = -10;
        for (double t : plot.slipTimes) {
            const double x = axis.X(t);
            if (x - lastX < 1.5) continue;
            lastX = x;
            marks.append("M").append(N(x)).append(" ").append(N(y + 1)).append("v14");
        }
        if (!marks.empty())
            out += "<path d=\"" + marks + "\" stroke=\"#d1242f\" stroke-width=\"2\"><title>" + s.Name() + ": " +
                   std::to_string(s.slips) + " slips</title></path>";
    }
    out += "</svg>";
    return out;
}

// A round limit of the y axis: 1, 2 or 5 times a power of ten.
double Nice_Limit(double value) {
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= value) return m * power;
    return 10 * power;
}

// MP1 or MP2 of every satellite, over time or against elevation (0 to 90
// degrees, with the points whose elevation is known).
std::string Multipath_Plot(const QcResult& q, bool second, bool byElevation) {
    const std::optional<double> rms = second ? q.Mp2_Rms() : q.Mp1_Rms();
    const double limit = Nice_Limit(std::max(4.0 * rms.value_or(0.0), 0.5));
    const TimeAxis axis{q.first, q.last};
    const double y0 = kTop - 10, y1 = y0 + kPlotHeight;
    const auto Y = [&](double v) {
        return y0 + (limit - std::clamp(v, -limit, limit)) / (2 * limit) * (y1 - y0);
    };
    const auto X_Elevation = [&](double e) {
        return axis.left + std::clamp(e, 0.0, 90.0) / 90.0 * (axis.right - axis.left);
    };
    const std::string name = second ? "MP2" : "MP1";
    std::string out = Svg_Open(kWidth, y1 + kBottom + 18,
                               name + (byElevation ? " against elevation" : " over time"));
    if (byElevation) {
        for (int e = 0; e <= 90; e += 15) {
            const double x = X_Elevation(e);
            out += "<line x1=\"" + N(x) + "\" y1=\"" + N(y0) + "\" x2=\"" + N(x) + "\" y2=\"" + N(y1) +
                   "\" stroke=\"#e3e7ec\"/><text x=\"" + N(x) + "\" y=\"" + N(y1 + 15) +
                   "\" text-anchor=\"middle\">" + std::to_string(e) + "</text>";
        }
    } else {
        out += axis.Grid(y0, y1);
    }
    out += "<text x=\"" + N((axis.left + axis.right) / 2) + "\" y=\"" + N(y1 + kBottom + 12) +
           "\" text-anchor=\"middle\" font-weight=\"600\">" +
           (byElevation ? "elevation (degrees)" : "GPS time") + "</text>";
    for (double v : {-limit, -limit / 2, 0.0, limit / 2, limit}) {
        out += "<line x1=\"" + N(axis.left) + "\" y1=\"" + N(Y(v)) + "\" x2=\"" + N(axis.right) + "\" y2=\"" +
               N(Y(v)) + "\" stroke=\"" + (v == 0 ? "#aab4bf" : "#e3e7ec") + "\"/>";
        out += "<text x=\"" + N(kLeft - 8) + "\" y=\"" + N(Y(v) + 4) + "\" text-anchor=\"end\">" +
               Trimmed(v, 2) + "</text>";
    }
    out += "<text x=\"14\" y=\"" + N((y0 + y1) / 2) + "\" text-anchor=\"middle\" font-weight=\"600\" "
           "transform=\"rotate(-90 14 " + N((y0 + y1) / 2) + ")\">" + name + " (m)</text>";
    for (size_t i = 0; i < q.satellites.size(); ++i) {
        const std::vector<MultipathPoint>& points = q.plots[i].multipath;
        std::string d;
        for (const MultipathPoint& p : points) {
            if (byElevation && std::isnan(p.elevation)) continue;
            const double x = byElevation ? X_Elevation(p.elevation) : axis.X(p.time);
            d.append("M").append(N(x)).append(" ").append(N(Y(second ? p.mp2 : p.mp1))).append("h0");
        }
        if (d.empty()) continue;
        out += "<path d=\"" + d + "\" stroke=\"" + Colour(i, true) +
               "\" stroke-width=\"2.4\" stroke-linecap=\"round\" fill=\"none\"><title>" +
               q.satellites[i].Name() + "</title></path>";
    }
    out += "</svg>";
    return out;
}

// One small panel per satellite: MP1 in its colour, MP2 in grey, against
// elevation when known, else over time; the same vertical scale in all.
std::string Satellite_Panels(const QcResult& q, bool byElevation) {
    constexpr double kW = 240, kH = 130, kL = 30, kR = 8, kT = 18, kB = 18;
    const double limit = Nice_Limit(std::max(4.0 * std::max(q.Mp1_Rms().value_or(0.0), q.Mp2_Rms().value_or(0.0)), 0.5));
    const auto Y = [&](double v) { return kT + (limit - std::clamp(v, -limit, limit)) / (2 * limit) * (kH - kT - kB); };
    const TimeAxis time{q.first, q.last, kL, kW - kR};
    const auto X = [&](const MultipathPoint& p) {
        return byElevation ? kL + std::clamp(static_cast<double>(p.elevation), 0.0, 90.0) / 90.0 * (kW - kL - kR)
                           : time.X(p.time);
    };
    std::string out = "<div class=\"small\">";
    for (size_t i = 0; i < q.satellites.size(); ++i) {
        const std::vector<MultipathPoint>& points = q.plots[i].multipath;
        std::string d1, d2;
        for (const MultipathPoint& p : points) {
            if (byElevation && std::isnan(p.elevation)) continue;
            const std::string x = N(X(p));
            d2.append("M").append(x).append(" ").append(N(Y(p.mp2))).append("h0");
            d1.append("M").append(x).append(" ").append(N(Y(p.mp1))).append("h0");
        }
        if (d1.empty()) continue;
        const SatelliteFigures& s = q.satellites[i];
        out += Svg_Open(kW, kH, s.Name() + ": MP1 and MP2 " + (byElevation ? "against elevation" : "over time"));
        out += "<rect x=\"" + N(kL) + "\" y=\"" + N(kT) + "\" width=\"" + N(kW - kL - kR) + "\" height=\"" +
               N(kH - kT - kB) + "\" fill=\"none\" stroke=\"#e3e7ec\"/>";
        out += "<line x1=\"" + N(kL) + "\" y1=\"" + N(Y(0)) + "\" x2=\"" + N(kW - kR) + "\" y2=\"" + N(Y(0)) +
               "\" stroke=\"#aab4bf\"/>";
        for (double v : {-limit, limit})
            out += "<text x=\"" + N(kL - 4) + "\" y=\"" + N(Y(v) + 4) + "\" text-anchor=\"end\">" + Trimmed(v, 2) +
                   "</text>";
        out += "<text x=\"" + N(kL) + "\" y=\"" + N(kH - 4) + "\">" +
               (byElevation ? std::string("0\xC2\xB0") : time.Label(q.first, 60)) + "</text><text x=\"" +
               N(kW - kR) + "\" y=\"" + N(kH - 4) + "\" text-anchor=\"end\">" +
               (byElevation ? std::string("90\xC2\xB0 elevation") : time.Label(q.last, 60) + " GPS time") +
               "</text>";
        out += "<text x=\"" + N(kL) + "\" y=\"12\" font-weight=\"600\">" + s.Name() + "</text><text x=\"" +
               N(kW - kR) + "\" y=\"12\" text-anchor=\"end\">MP1 " + Or_Dash(s.Mp1_Rms(), 2) + " m, MP2 " +
               Or_Dash(s.Mp2_Rms(), 2) + " m RMS</text>";
        out += "<path d=\"" + d2 + "\" stroke=\"#9aa5b1\" stroke-width=\"2\" stroke-linecap=\"round\" fill=\"none\"/>";
        out += "<path d=\"" + d1 + "\" stroke=\"" + Colour(i, true) +
               "\" stroke-width=\"2\" stroke-linecap=\"round\" fill=\"none\"/></svg>";
    }
    return out + "</div>";
}

// The colour of each satellite that has multipath points.
std::string Satellite_Legend(const QcResult& q) {
    std::string out = "<p class=\"legend note\">";
    for (size_t i = 0; i < q.satellites.size(); ++i) {
        if (q.plots[i].multipath.empty()) continue;
        out += "<span><i class=\"sw\" style=\"background:" + Colour(i, true) + "\"></i>" +
               q.satellites[i].Name() + "</span>";
    }
    return out + "</p>";
}

std::string Sky_Plot(const QcResult& q, double mask) {
    const double c = kSkySize / 2;
    const auto radius = [](double elevation) { return kSkyRadius * (90 - elevation) / 90; };
    std::string out = Svg_Open(kSkySize, kSkySize, "sky plot of the satellite tracks");
    out += "<circle cx=\"" + N(c) + "\" cy=\"" + N(c) + "\" r=\"" + N(kSkyRadius) +
           "\" fill=\"#fbfcfd\" stroke=\"#aab4bf\"/>";
    for (double el : {30.0, 60.0})
        out += "<circle cx=\"" + N(c) + "\" cy=\"" + N(c) + "\" r=\"" + N(radius(el)) +
               "\" fill=\"none\" stroke=\"#e3e7ec\"/><text x=\"" + N(c + 3) + "\" y=\"" + N(c - radius(el) + 12) +
               "\">" + Trimmed(el, 0) + "\xC2\xB0</text>";
    if (mask > 0 && mask < 90)
        out += "<circle cx=\"" + N(c) + "\" cy=\"" + N(c) + "\" r=\"" + N(radius(mask)) +
               "\" fill=\"none\" stroke=\"#d1242f\" stroke-dasharray=\"4 3\"><title>mask " + Trimmed(mask, 3) +
               "\xC2\xB0</title></circle>";
    for (int az = 0; az < 360; az += 30) {
        const double a = az * std::numbers::pi / 180;
        out += "<line x1=\"" + N(c) + "\" y1=\"" + N(c) + "\" x2=\"" + N(c + kSkyRadius * std::sin(a)) +
               "\" y2=\"" + N(c - kSkyRadius * std::cos(a)) + "\" stroke=\"#e3e7ec\"/>";
    }
    const char* kPoints[] = {"N", "E", "S", "W"};
    for (int k = 0; k < 4; ++k) {
        const double a = k * std::numbers::pi / 2;
        out += "<text x=\"" + N(c + (kSkyRadius + 12) * std::sin(a)) + "\" y=\"" +
               N(c - (kSkyRadius + 12) * std::cos(a) + 4) + "\" text-anchor=\"middle\" font-weight=\"600\">" +
               kPoints[k] + "</text>";
    }
    const auto X = [&](const SkyPoint& p) { return c + radius(p.elevation) * std::sin(p.azimuth * std::numbers::pi / 180); };
    const auto Y = [&](const SkyPoint& p) { return c - radius(p.elevation) * std::cos(p.azimuth * std::numbers::pi / 180); };
    for (size_t i = 0; i < q.satellites.size(); ++i) {
        const std::vector<SkyPoint>& points = q.plots[i].sky;
        if (points.empty()) continue;
        std::string d;
        for (const SkyPoint& p : points) d.append("M").append(N(X(p))).append(" ").append(N(Y(p))).append("h0");
        out += "<path d=\"" + d + "\" stroke=\"" + Colour(i, true) +
               "\" stroke-width=\"2.6\" stroke-linecap=\"round\" fill=\"none\"><title>" +
               q.satellites[i].Name() + "</title></path>";
    }
    // Names on their tracks, each where it stands farthest from the names
    // already placed (tracks of a day crowd at the horizon and overhead).
    std::vector<std::pair<double, double>> placed;
    for (size_t i = 0; i < q.satellites.size(); ++i) {
        const std::vector<SkyPoint>& points = q.plots[i].sky;
        if (points.empty()) continue;
        double bestX = X(points.front()), bestY = Y(points.front()), bestDistance = -1;
        const size_t step = std::max<size_t>(1, points.size() / 48);
        for (size_t k = 0; k < points.size(); k += step) {
            const double x = X(points[k]), y = Y(points[k]);
            double nearest = 1e9;
            for (const auto& [px, py] : placed) nearest = std::min(nearest, std::hypot(x - px, y - py));
            // Keep off the rim, where the compass letters are.
            if (points[k].elevation < 8) nearest *= 0.5;
            if (nearest > bestDistance) {
                bestDistance = nearest;
                bestX = x;
                bestY = y;
            }
        }
        placed.emplace_back(bestX, bestY);
        out += "<text x=\"" + N(bestX + 4) + "\" y=\"" + N(bestY - 4) + "\" fill=\"" + Colour(i, true) +
               "\" font-weight=\"600\" stroke=\"#fff\" stroke-width=\"3\" paint-order=\"stroke\">" +
               q.satellites[i].Name() + "</text>";
    }
    out += "</svg>";
    return out;
}

std::string Card(const std::string& value, const std::string& label) {
    return "<div class=\"card\"><b>" + value + "</b><span>" + label + "</span></div>";
}

std::string Row(std::initializer_list<std::string> cells, const char* tag = "td") {
    std::string out = "<tr>";
    for (const std::string& cell : cells) out += std::string("<") + tag + ">" + cell + "</" + tag + ">";
    return out + "</tr>\n";
}


}  // namespace

std::string Html_Report(const QcReport& r) {
    const QcResult& q = r.result;
    const std::string input = Html_Text(r.inputName);
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>Quality check: " + input + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<main>\n";
    out += "<h1>Quality check: " + input + "</h1>\n<p class=\"sub\">";
    if (!r.markerName.empty()) out += "Marker " + Html_Text(r.markerName) + " \xC2\xB7 ";
    if (q.epochs > 0) {
        out += Iso_Time(q.first) + " to " + Iso_Time(q.last) + " GPS time";
    } else {
        out += "no epochs";
    }
    out += "</p>\n<div class=\"cards\">";
    out += Card(q.Completeness() ? Fixed(*q.Completeness() * 100, 2) + " %" : kNone, "completeness");
    out += Card(std::to_string(q.epochs), "epochs of " + std::to_string(q.expectedEpochs) + " expected");
    out += Card(std::to_string(q.gapCount), "gaps, " + Trimmed(q.missingSeconds, 0) + " s missing");
    out += Card(std::to_string(q.slips), "cycle slips");
    out += Card(Or_Dash(q.Observations_Per_Slip(), 1), "observations per slip");
    out += Card(Or_Dash(q.Mp1_Rms(), 3) + " m", "MP1 RMS");
    out += Card(Or_Dash(q.Mp2_Rms(), 3) + " m", "MP2 RMS");
    out += "</div>\n";
    if (q.epochs > 0) {
        out += "<h2>Tracking</h2>\n<div class=\"panel\">" + Timeline(q) +
               "<p class=\"legend note\"><span><i class=\"sw\" style=\"background:hsl(210,68%,42%)\"></i>observed</span>"
               "<span><i class=\"sw\" style=\"background:#d1242f;width:3px\"></i>cycle slip</span>"
               "<span><i class=\"sw\" style=\"background:#f6c9ce\"></i>gap</span>"
               "<span><i class=\"sw\" style=\"background:#9aa5b1\"></i>other systems (not checked)</span></p></div>\n";
        out += "<h2>Multipath</h2>\n<div class=\"panel\">";
        if (r.elevationsKnown)
            out += Multipath_Plot(q, false, true) + Multipath_Plot(q, true, true);
        out += Multipath_Plot(q, false, false) + Multipath_Plot(q, true, false) + Satellite_Legend(q) +
               "<p class=\"note\">Each arc of at least 10 usable epochs less its own mean; shorter arcs are "
               "left out. Values beyond the axis are drawn at its edge.</p></div>\n";
        out += "<h2>Multipath per satellite</h2>\n<div class=\"panel\">" +
               Satellite_Panels(q, r.elevationsKnown) +
               "<p class=\"note\">MP1 in the satellite's colour, MP2 in grey" +
               (r.elevationsKnown ? ", against elevation." : ", over time.") + "</p></div>\n";
    }
    out += "<h2>Sky plot</h2>\n";
    if (r.elevationsKnown && q.epochs > 0) {
        out += "<div class=\"panel sky\">" + Sky_Plot(q, r.maskDegrees) + "</div>\n";
    } else {
        out += "<p class=\"note\">No elevations: " +
               Html_Text(r.navigation ? "the receiver position is 0,0,0" : "no navigation file was given") +
               ".</p>\n";
    }

    if (!r.warnings.empty()) {
        out += "<h2>Warnings</h2>\n<ul>";
        for (const std::string& w : r.warnings) out += "<li>" + Html_Text(w) + "</li>";
        out += "</ul>\n";
    }
    out += "<h2>Summary</h2>\n<div class=\"scroll\"><table class=\"kv\">\n";
    const auto kv = [&out](const std::string& key, const std::string& value) { out += Row({key, value}); };
    kv("input", input);
    if (q.epochs > 0) {
        kv("first epoch", Iso_Time(q.first));
        kv("last epoch", Iso_Time(q.last));
    }
    kv("interval", r.intervalKnown ? Trimmed(q.interval, 3) + " s (" +
                                         (r.intervalFromHeader ? "header" : "most frequent step") + ")"
                                   : std::string(kNone));
    kv("codes", Html_Text(Codes_Text(r)));
    kv("elevations", Html_Text(Elevation_Note(r)));
    if (r.positionSource != PositionSource::kNone)
        kv("receiver position", Fixed(r.position.x, 3) + ", " + Fixed(r.position.y, 3) + ", " +
                                    Fixed(r.position.z, 3) + " m");
    if (r.navigation) kv("ephemerides", std::to_string(r.ephemerides));
    kv("usable satellite epochs", std::to_string(q.usableEpochs));
    out += "</table></div>\n";

    if (!q.gaps.empty()) {
        out += "<h2>Gaps</h2>\n<div class=\"scroll\"><table class=\"narrow\">\n" +
               Row({"epoch before", "epoch after", "step s", "missing s"}, "th");
        for (size_t i = 0; i < q.gaps.size() && i < kGapRowsShown; ++i) {
            const Gap& g = q.gaps[i];
            out += Row({Iso_Time(g.before), Iso_Time(g.after), Trimmed(g.after - g.before, 3),
                        g.Backward() ? std::string("backward") : Trimmed(g.after - g.before - q.interval, 3)});
        }
        out += "</table></div>\n";
        if (q.gapCount > static_cast<int64_t>(kGapRowsShown))
            out += "<p class=\"note\">The first " + std::to_string(kGapRowsShown) + " of " +
                   std::to_string(q.gapCount) + " gaps.</p>\n";
    }

    // One column per frequency: the counts of its codes, "P1/C1".
    const std::vector<Code_Column> columns = Code_Columns(r.choices);
    const auto joined = [&columns](const std::function<std::string(const Code_Column&)>& show, char band) {
        std::string text;
        for (const Code_Column& c : columns)
            if (c.name.size() > 1 && c.name[1] == band && c.name[0] != 'L') text += (text.empty() ? "" : "/") + show(c);
        return text;
    };
    const auto name = [](const Code_Column& c) { return c.name; };
    out += "<h2>Satellites</h2>\n<div class=\"scroll\"><table>\n" +
           Row({"satellite", "observed", "usable", "arcs", "slips", "MP1 RMS", "MP2 RMS", joined(name, '1'),
                joined(name, '2'), "first epoch", "last epoch"},
               "th");
    for (size_t i = 0; i < q.satellites.size(); ++i) {
        const SatelliteFigures& s = q.satellites[i];
        const auto count = [&s](int64_t n) { return s.gps ? std::to_string(n) : std::string(kNone); };
        const auto count_of = [](const SatelliteFigures& f) {
            return [&f](const Code_Column& c) { return std::to_string(c.count(f)); };
        };
        out += Row({"<i class=\"sw\" style=\"background:" + Colour(i, s.gps) + "\"></i>" + s.Name(),
                    std::to_string(s.epochsObserved), count(s.usableEpochs), count(s.arcs), count(s.slips),
                    Or_Dash(s.Mp1_Rms(), 3), Or_Dash(s.Mp2_Rms(), 3),
                    s.gps ? joined(count_of(s), '1') : std::string(kNone),
                    s.gps ? joined(count_of(s), '2') : std::string(kNone),
                    Iso_Time(s.first), Iso_Time(s.last)});
    }
    out += "</table></div>\n<p class=\"note\">Epochs observed and usable per satellite; RMS in metres. Times are GPS "
           "time. Made by zer2ivi qc.</p>\n</main>\n</body>\n</html>\n";
    return out;
}

}  // namespace zer2ivi::qc
