// RINEX 2.11 observation files for the quality check's tests, written line
// by line from values the test chooses, so that every figure of the check is
// known by construction.
#pragma once

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "numbers/numbers.h"
#include "qc/qc_engine.h"

namespace zer2ivi::qc::testing {

inline std::string Header_Line(const std::string& text, const std::string& label) {
    std::string line = text;
    line.resize(60, ' ');
    return line + label + "\n";
}

// One value of a satellite in one epoch.
struct Value {
    double value = 0;
    bool present = true;
    int lli = -1;  // blank
};

// A satellite in an epoch: its system letter, PRN and one value per type.
struct Satellite {
    char system = 'G';
    int prn = 0;
    std::vector<Value> values;
};

struct FileSpec {
    std::vector<std::string> types = {"C1", "L1", "L2", "P1", "P2"};
    double interval = 30;  // 0: no INTERVAL line
    std::string marker = "QCTS";
    std::string position = "  3633909.1016  4425275.5033  2799861.2736";
    // 2004-06-10 00:00:00 plus seconds.
    std::function<void(int epoch, std::vector<Satellite>&)> epoch;
    int epochs = 120;
    double step = 30;  // seconds between epochs
    std::function<bool(int epoch)> present = [](int) { return true; };
};

// Numbers are written with '.' whatever locale a test has switched to.
inline std::string Fixed_Field(double value, int width, int precision) {
    char text[48];
    const size_t length = Format_Fixed(text, sizeof text, value, width, precision);
    return std::string(text, length);
}

inline std::string Field(double value, bool present, int lli) {
    std::string field = present ? Fixed_Field(value, 14, 3) : std::string(14, ' ');
    field += lli < 0 ? ' ' : static_cast<char>('0' + lli);
    field += ' ';
    return field;
}

inline std::string Rinex_Text(const FileSpec& spec) {
    std::string out = Header_Line("     2.11           OBSERVATION DATA    M (MIXED)", "RINEX VERSION / TYPE");
    out += Header_Line("qctest              tests               07-DEC-26 12:00", "PGM / RUN BY / DATE");
    out += Header_Line(spec.marker, "MARKER NAME");
    out += Header_Line(spec.position, "APPROX POSITION XYZ");
    char count[16];
    std::snprintf(count, sizeof count, "%6zu", spec.types.size());
    std::string types = count;
    for (const std::string& t : spec.types) types += "    " + t;
    out += Header_Line(types, "# / TYPES OF OBSERV");
    if (spec.interval > 0) {
        out += Header_Line(Fixed_Field(spec.interval, 10, 3), "INTERVAL");
    }
    out += Header_Line("  2004     6    10     0     0    0.0000000     GPS", "TIME OF FIRST OBS");
    out += Header_Line("", "END OF HEADER");
    std::vector<Satellite> satellites;
    for (int k = 0; k < spec.epochs; ++k) {
        if (!spec.present(k)) continue;
        satellites.clear();
        spec.epoch(k, satellites);
        const double t = k * spec.step;
        const int hour = static_cast<int>(t / 3600);
        const int minute = static_cast<int>(std::fmod(t, 3600) / 60);
        const double second = std::fmod(t, 60);
        char line[96];
        std::snprintf(line, sizeof line, " 04  6 %2d %2d %2d", 10 + hour / 24, hour % 24, minute);
        out += line + Fixed_Field(second, 11, 7);
        std::snprintf(line, sizeof line, "  0%3zu", satellites.size());
        out += line;
        for (size_t s = 0; s < satellites.size(); ++s) {
            if (s > 0 && s % 12 == 0) out += "\n" + std::string(32, ' ');
            char name[8];
            std::snprintf(name, sizeof name, "%c%02d", satellites[s].system, satellites[s].prn);
            out += name;
        }
        out += "\n";
        for (const Satellite& sat : satellites) {
            std::string obsLine;
            for (size_t i = 0; i < sat.values.size(); ++i) {
                if (i > 0 && i % 5 == 0) {
                    while (!obsLine.empty() && obsLine.back() == ' ') obsLine.pop_back();
                    out += obsLine + "\n";
                    obsLine.clear();
                }
                obsLine += Field(sat.values[i].value, sat.values[i].present, sat.values[i].lli);
            }
            while (!obsLine.empty() && obsLine.back() == ' ') obsLine.pop_back();
            out += obsLine + "\n";
        }
    }
    return out;
}

// A satellite on a smooth range whose phases follow it exactly; code 1 (P1
// and, far noisier, C1) carries a sine of the given amplitude and period.
inline Satellite Smooth(int prn, int k, double amplitude, int period = 10, char system = 'G') {
    const double range = 2.1e7 + 1000.0 * prn + 420.0 * k;
    Satellite sat;
    sat.system = system;
    sat.prn = prn;
    const double sine = amplitude * std::sin(2 * std::numbers::pi * k / period);
    sat.values = {
        {range + (k % 2 == 0 ? 3.0 : -3.0)},               // C1: 3 m of alternating noise
        {range / kWavelengthL1 + 1.0e6 + prn, true, 0},    // L1
        {range / kWavelengthL2 - 2.0e6, true, -1},         // L2
        {range + sine},                                    // P1
        {range + 0.7},                                     // P2
    };
    return sat;
}

class TempDir {
public:
    TempDir() {
        path_ = std::filesystem::temp_directory_path() /
                ("z2i_qc_" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "_" +
                 std::to_string(std::rand()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string Path() const { return path_.string(); }
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string file = (path_ / name).string();
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

private:
    std::filesystem::path path_;
};

}  // namespace zer2ivi::qc::testing
