// Writes the same epochs of GPS observations as a RINEX 3.04 observation
// file and, optionally, as a RINEX 2.11 file: SATELLITES satellites at 1 Hz
// with eight observation types (C1C L1C D1C S1C C2W L2W D2W S2W, in RINEX 2
// C1 L1 D1 S1 P2 L2 D2 S2), realistic magnitudes (ranges of 20,000 to
// 23,000 km over a six-hour pass, phases in cycles, Doppler in Hz, signal
// strength in dB-Hz), signal-strength digits, and now and then a cycle slip
// marked as loss of lock.  The text is written directly, every number
// through std::to_chars, so both files carry the same digits whatever the
// locale.  Everything comes from a fixed seed.
//
//   z2i_bench_make_rinex RINEX3_PATH RINEX2_PATH|- EPOCHS [SATELLITES]
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string_view>

#include "random.h"

namespace {

using zer2ivi::bench::Random;

constexpr double kSpeedOfLight = 299792458.0;
constexpr double kL1Wavelength = kSpeedOfLight / 1575.42e6;
constexpr double kL2Wavelength = kSpeedOfLight / 1227.60e6;
constexpr double kPassSeconds = 6 * 3600.0;
constexpr double kOrbitRate = 2 * std::numbers::pi / 43082.0;  // radians per second
constexpr double kSlotSeconds = 1800.0;  // one satellite sets and another rises
constexpr int kMaxSatellites = 12;
constexpr int kTypes = 8;
// Start of the data: 2024-06-13 00:00:00 GPS time.
constexpr int kYear = 2024, kMonth = 6, kDay = 13;

// One line under construction: fixed buffer, explicit widths.
class Line {
public:
    Line& text(std::string_view s) {
        std::memcpy(buffer_ + size_, s.data(), s.size());
        size_ += s.size();
        return *this;
    }
    Line& blanks(size_t n) {
        std::memset(buffer_ + size_, ' ', n);
        size_ += n;
        return *this;
    }
    // Right-aligned in `width` columns (the number must fit).
    Line& integer(long value, size_t width) { return put(value, width, false); }
    // Zero-padded to `width` digits.
    Line& digits(long value, size_t width) { return put(value, width, true); }
    Line& fixed(double value, size_t width, int precision) {
        char tmp[32];
        const auto result = std::to_chars(tmp, tmp + sizeof tmp, value, std::chars_format::fixed, precision);
        const size_t n = static_cast<size_t>(result.ptr - tmp);
        if (n > width) std::abort();
        blanks(width - n);
        return text(std::string_view(tmp, n));
    }
    Line& digit(int value) {
        buffer_[size_++] = value > 0 ? static_cast<char>('0' + value) : ' ';
        return *this;
    }
    // Header line: the content padded to 60 columns, then the label.
    Line& label(std::string_view name) {
        if (size_ > 60) std::abort();
        blanks(60 - size_);
        return text(name);
    }
    void write(std::FILE* out) {
        while (size_ > 0 && buffer_[size_ - 1] == ' ') --size_;
        buffer_[size_++] = '\n';
        std::fwrite(buffer_, 1, size_, out);
        size_ = 0;
    }

private:
    Line& put(long value, size_t width, bool zeros) {
        char tmp[24];
        const auto result = std::to_chars(tmp, tmp + sizeof tmp, value);
        const size_t n = static_cast<size_t>(result.ptr - tmp);
        if (n > width) std::abort();
        std::memset(buffer_ + size_, zeros ? '0' : ' ', width - n);
        size_ += width - n;
        return text(std::string_view(tmp, n));
    }
    char buffer_[256];
    size_t size_ = 0;
};

struct Observation {
    double value;
    int lli;       // 0 blank
    int strength;  // 0 blank
};

// One satellite in view: its pass, phase ambiguities and signal.
struct Track {
    int prn = 0;
    double culmination = 0;  // seconds of the data
    double ambiguity1 = 0, ambiguity2 = 0;
    bool slipped = false;
};

void New_Track(Track& track, int prn, double rise, Random& random) {
    track.prn = prn;
    track.culmination = rise + kPassSeconds / 2;
    track.ambiguity1 = std::round(random.between(-2.0e7, 2.0e7));
    track.ambiguity2 = std::round(random.between(-1.5e7, 1.5e7));
    track.slipped = false;
}

// The eight observations of one satellite at time t (seconds of the data).
std::array<Observation, kTypes> Observe(Track& track, double t, Random& random) {
    const double angle = kOrbitRate * (t - track.culmination);
    const double range = 2.0e7 + 3.0e6 * (1 - std::cos(angle));
    const double rate = 3.0e6 * kOrbitRate * std::sin(angle);
    const double elevation = std::max(0.0, std::cos(angle));  // 1 overhead, 0 at the horizon
    const double iono = 4.0 + 6.0 * (1 - elevation);
    const double iono2 = iono * (1575.42 * 1575.42) / (1227.60 * 1227.60);
    const double noise = 0.2 + 0.8 * (1 - elevation);
    const double snr1 = 32.0 + 20.0 * elevation + random.between(-1.0, 1.0);
    const double snr2 = snr1 - 6.0 + random.between(-1.0, 1.0);
    // Signal strength as RINEX 2 maps dB-Hz to 1..9.
    const auto digit = [](double snr) { return std::clamp(static_cast<int>(snr / 6.0), 1, 9); };
    const int lli = track.slipped ? 1 : 0;
    track.slipped = false;
    std::array<Observation, kTypes> obs{};
    obs[0] = {range + iono + noise * random.normal(), 0, digit(snr1)};
    obs[1] = {(range - iono) / kL1Wavelength + track.ambiguity1 + 0.01 * random.normal(), lli, digit(snr1)};
    obs[2] = {-rate / kL1Wavelength + 0.05 * random.normal(), 0, digit(snr1)};
    obs[3] = {std::round(snr1 * 4) / 4, 0, 0};
    obs[4] = {range + iono2 + 1.3 * noise * random.normal(), 0, digit(snr2)};
    obs[5] = {(range - iono2) / kL2Wavelength + track.ambiguity2 + 0.01 * random.normal(), lli, digit(snr2)};
    obs[6] = {-rate / kL2Wavelength + 0.05 * random.normal(), 0, digit(snr2)};
    obs[7] = {std::round(snr2 * 4) / 4, 0, 0};
    return obs;
}

void Header3(std::FILE* out) {
    Line line;
    line.blanks(5).text("3.04").blanks(11).text("OBSERVATION DATA    G: GPS").label("RINEX VERSION / TYPE").write(out);
    line.text("z2i_bench_make_rinex").text("BENCH               ").text("20240614 000000 UTC ").label("PGM / RUN BY / DATE").write(out);
    line.text("BENC").label("MARKER NAME").write(out);
    line.text("GEODETIC").label("MARKER TYPE").write(out);
    line.text("BENCH               ZER2IVI").label("OBSERVER / AGENCY").write(out);
    line.text("0001                BENCH RECEIVER      1.0").label("REC # / TYPE / VERS").write(out);
    line.text("0001                BENCH ANTENNA   NONE").label("ANT # / TYPE").write(out);
    line.text("  4331297.3480   567555.6390  4633133.7200").label("APPROX POSITION XYZ").write(out);
    line.text("        0.0000        0.0000        0.0000").label("ANTENNA: DELTA H/E/N").write(out);
    line.text("G    8 C1C L1C D1C S1C C2W L2W D2W S2W").label("SYS / # / OBS TYPES").write(out);
    line.text("DBHZ").label("SIGNAL STRENGTH UNIT").write(out);
    line.text("     1.000").label("INTERVAL").write(out);
    line.integer(kYear, 6).integer(kMonth, 6).integer(kDay, 6).integer(0, 6).integer(0, 6)
        .fixed(0.0, 13, 7).blanks(5).text("GPS").label("TIME OF FIRST OBS").write(out);
    line.text("G L1C  0.00000").label("SYS / PHASE SHIFT").write(out);
    line.text("G L2W  0.00000").label("SYS / PHASE SHIFT").write(out);
    line.text("    18").label("LEAP SECONDS").write(out);
    line.label("END OF HEADER").write(out);
}

void Header2(std::FILE* out) {
    Line line;
    line.blanks(5).text("2.11").blanks(11).text("OBSERVATION DATA    G (GPS)").label("RINEX VERSION / TYPE").write(out);
    line.text("z2i_bench_make_rinex").text("BENCH               ").text("20240614 000000 UTC ").label("PGM / RUN BY / DATE").write(out);
    line.text("BENC").label("MARKER NAME").write(out);
    line.text("BENCH               ZER2IVI").label("OBSERVER / AGENCY").write(out);
    line.text("0001                BENCH RECEIVER      1.0").label("REC # / TYPE / VERS").write(out);
    line.text("0001                BENCH ANTENNA   NONE").label("ANT # / TYPE").write(out);
    line.text("  4331297.3480   567555.6390  4633133.7200").label("APPROX POSITION XYZ").write(out);
    line.text("        0.0000        0.0000        0.0000").label("ANTENNA: DELTA H/E/N").write(out);
    line.text("     1     1").label("WAVELENGTH FACT L1/2").write(out);
    line.text("     8    C1    L1    D1    S1    P2    L2    D2    S2").label("# / TYPES OF OBSERV").write(out);
    line.text("     1.000").label("INTERVAL").write(out);
    line.integer(kYear, 6).integer(kMonth, 6).integer(kDay, 6).integer(0, 6).integer(0, 6)
        .fixed(0.0, 13, 7).blanks(5).text("GPS").label("TIME OF FIRST OBS").write(out);
    line.label("END OF HEADER").write(out);
}

void Field(Line& line, const Observation& obs) {
    line.fixed(obs.value, 14, 3).digit(obs.lli).digit(obs.strength);
}

int Write(const char* path3, const char* path2, long epochs, int satellites) {
    std::FILE* out3 = std::fopen(path3, "wb");
    std::FILE* out2 = path2 != nullptr ? std::fopen(path2, "wb") : nullptr;
    if (out3 == nullptr || (path2 != nullptr && out2 == nullptr)) {
        std::fprintf(stderr, "cannot create the output files\n");
        if (out3 != nullptr) std::fclose(out3);
        if (out2 != nullptr) std::fclose(out2);
        return 1;
    }
    static char buffer3[1 << 16], buffer2[1 << 16];
    std::setvbuf(out3, buffer3, _IOFBF, sizeof buffer3);
    if (out2 != nullptr) std::setvbuf(out2, buffer2, _IOFBF, sizeof buffer2);
    Header3(out3);
    if (out2 != nullptr) Header2(out2);

    Random random{20240613};
    Track tracks[kMaxSatellites];
    bool inUse[33] = {};
    int nextPrn = 1;
    // The satellites start spread over their passes: the one of slot s
    // sets at the end of slot s (and another rises in its place).
    for (int s = 0; s < satellites; ++s) {
        New_Track(tracks[s], nextPrn, kSlotSeconds * (s + 1) - kPassSeconds, random);
        inUse[nextPrn] = true;
        nextPrn = nextPrn % 32 + 1;
    }
    Line line;
    for (long e = 0; e < epochs; ++e) {
        const double t = static_cast<double>(e);
        if (e > 0 && e % static_cast<long>(kSlotSeconds) == 0) {
            // The satellite of this slot has ended its pass: another rises.
            const int slot = static_cast<int>((e / static_cast<long>(kSlotSeconds) - 1) % satellites);
            while (inUse[nextPrn]) nextPrn = nextPrn % 32 + 1;
            inUse[tracks[slot].prn] = false;
            New_Track(tracks[slot], nextPrn, t, random);
            inUse[nextPrn] = true;
        }
        const long hour = e / 3600 % 24, minute = e / 60 % 60;
        const double second = static_cast<double>(e % 60);
        line.text("> ").digits(kYear, 4).blanks(1).digits(kMonth, 2).blanks(1).digits(kDay, 2).blanks(1)
            .digits(hour, 2).blanks(1).digits(minute, 2).fixed(second, 11, 7).blanks(2).text("0")
            .integer(satellites, 3);
        line.write(out3);
        if (out2 != nullptr) {
            line.blanks(1).digits(kYear % 100, 2).integer(kMonth, 3).integer(kDay, 3).integer(hour, 3)
                .integer(minute, 3).fixed(second, 11, 7).blanks(2).text("0").integer(satellites, 3);
            for (int s = 0; s < satellites; ++s) line.text("G").digits(tracks[s].prn, 2);
            line.write(out2);
        }
        for (int s = 0; s < satellites; ++s) {
            Track& track = tracks[s];
            if (random.next() % 20000 == 0) {
                track.slipped = true;
                track.ambiguity1 += std::round(random.between(-20.0, 20.0));
                track.ambiguity2 += std::round(random.between(-20.0, 20.0));
            }
            const std::array<Observation, kTypes> obs = Observe(track, t, random);
            line.text("G").digits(track.prn, 2);
            for (const Observation& o : obs) Field(line, o);
            line.write(out3);
            if (out2 != nullptr) {
                for (int k = 0; k < kTypes; ++k) {
                    Field(line, obs[static_cast<size_t>(k)]);
                    if (k == 4 || k == kTypes - 1) line.write(out2);
                }
            }
        }
    }
    bool ok = std::ferror(out3) == 0;
    ok = std::fclose(out3) == 0 && ok;
    if (out2 != nullptr) {
        ok = std::ferror(out2) == 0 && ok;
        ok = std::fclose(out2) == 0 && ok;
    }
    if (!ok) std::fprintf(stderr, "cannot write the output files\n");
    return ok ? 0 : 1;
}

bool Parse_Count(const char* text, long& value) {
    const char* end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

}  // namespace

int main(int argc, char** argv) {
    long epochs = 0, satellites = kMaxSatellites;
    if ((argc != 4 && argc != 5) || !Parse_Count(argv[3], epochs) || epochs < 0 ||
        (argc == 5 && !Parse_Count(argv[4], satellites)) || satellites < 1 || satellites > kMaxSatellites) {
        std::fprintf(stderr, "usage: %s RINEX3_PATH RINEX2_PATH|- EPOCHS [SATELLITES (1-%d)]\n", argv[0],
                     kMaxSatellites);
        return 2;
    }
    const char* path2 = std::strcmp(argv[2], "-") == 0 ? nullptr : argv[2];
    return Write(argv[1], path2, epochs, static_cast<int>(satellites));
}
