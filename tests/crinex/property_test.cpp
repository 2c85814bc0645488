// Generated observation files, RINEX 2 and 3, encoded then decoded: the
// text comes back.  Satellites come and go, fields go blank, flags change,
// the clock comes and goes, values jump by about 1e10 thousandths, event
// records interrupt.  The writer here is the test's own (std::to_chars of
// doubles), not the codec's.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "crinex_test_support.h"
#include "support/test_support.h"

namespace zer2ivi::testing {
namespace {

// A small deterministic generator (splitmix64).
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    bool chance(unsigned percent) { return next() % 100 < percent; }
    int64_t between(int64_t low, int64_t high) {
        return low + static_cast<int64_t>(next() % static_cast<uint64_t>(high - low + 1));
    }

private:
    uint64_t state_;
};

std::string Fixed(double value, int decimals, size_t width) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    std::string out(text, result.ptr);
    return std::string(width > out.size() ? width - out.size() : 0, ' ') + out;
}

std::string Two(int value) { return Fixed(value, 0, 2); }

std::string Trimmed(std::string line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line + "\n";
}

std::string Label(std::string text, const char* label) {
    text.resize(60, ' ');
    return text + label + "\n";
}

struct Satellite {
    std::string id;
    size_t types;
    std::vector<int64_t> values;  // thousandths
    bool present = false;
};

std::string Generate(int rinexMajor, uint64_t seed, int epochs) {
    Random random(seed);
    std::string text;
    std::vector<Satellite> satellites;
    if (rinexMajor == 2) {
        text += Label("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE");
        text += Label("     7    L1    L2    C1    P2    D1    S1    S2", "# / TYPES OF OBSERV");
        for (int prn = 1; prn <= 16; ++prn) satellites.push_back({"G" + Fixed(prn + 100, 0, 3).substr(1), 7, {}});
    } else {
        text += Label("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE");
        text += Label("G    4 C1C L1C D1C S1C", "SYS / # / OBS TYPES");
        text += Label("R    3 C1C L1C S1C", "SYS / # / OBS TYPES");
        text += Label("E    5 C1C L1C C5Q L5Q S5Q", "SYS / # / OBS TYPES");
        for (int prn = 1; prn <= 6; ++prn)
            for (const char system : {'G', 'R', 'E'}) {
                const size_t types = system == 'G' ? 4 : system == 'R' ? 3 : 5;
                satellites.push_back({system + Fixed(prn + 100, 0, 3).substr(1), types, {}});
            }
    }
    text += Label("", "END OF HEADER");
    for (Satellite& s : satellites) {
        s.values.resize(s.types);
        for (int64_t& v : s.values) v = random.between(-900'000'000'000, 9'000'000'000'000);
    }
    for (int epoch = 0; epoch < epochs; ++epoch) {
        const int second = epoch % 60, minute = epoch / 60 % 60, hour = epoch / 3600;
        if (epoch > 0 && random.chance(4)) {
            // An event record: two comment lines.
            const std::string event = rinexMajor == 2 ? std::string(28, ' ') + "4  2"
                                                      : ">" + std::string(30, ' ') + "4  2";
            text += event + "\n" + Label("EVENT", "COMMENT") + Label("MORE", "COMMENT");
        }
        std::vector<Satellite*> here;
        for (Satellite& s : satellites) {
            if (random.chance(s.present ? 90 : 30)) here.push_back(&s);
            s.present = false;
        }
        for (Satellite* s : here) s->present = true;
        const bool clock = random.chance(50);
        const double clockValue = static_cast<double>(random.between(-999'999'999, 999'999'999)) * 1e-9;
        const char flag = random.chance(5) ? '1' : '0';
        std::string line;
        if (rinexMajor == 2) {
            line = " 21 12 21 " + Two(hour) + " " + Two(minute) + Fixed(second, 7, 11) + "  " + flag +
                   Fixed(static_cast<double>(here.size()), 0, 3);
            for (size_t i = 0; i < here.size() && i < 12; ++i) line += here[i]->id;
            if (clock) line = line + std::string(68 - line.size(), ' ') + Fixed(clockValue, 9, 12);
            text += Trimmed(line);
            for (size_t i = 12; i < here.size(); i += 12) {
                line = std::string(32, ' ');
                for (size_t j = i; j < here.size() && j < i + 12; ++j) line += here[j]->id;
                text += Trimmed(line);
            }
        } else {
            line = "> 2021 12 21 " + Two(hour) + " " + Two(minute) + Fixed(second, 7, 11) + "  " + flag +
                   Fixed(static_cast<double>(here.size()), 0, 3);
            if (clock) line += std::string(6, ' ') + Fixed(clockValue * 1e-3, 12, 15);
            text += Trimmed(line);
        }
        for (Satellite* s : here) {
            line = rinexMajor == 2 ? "" : s->id;
            for (size_t t = 0; t < s->types; ++t) {
                int64_t& v = s->values[t];
                v += random.between(-2'000'000, 2'000'000);
                if (random.chance(3)) v += random.chance(50) ? 10'000'000'000 : -10'000'000'000;
                if (random.chance(2)) v = random.between(-9'999'999, 9'999'999);  // near zero
                v = std::clamp<int64_t>(v, -999'999'999'999, 9'999'999'999'999);
                const bool blank = random.chance(10);
                const char lli = random.chance(85) ? ' ' : static_cast<char>('0' + random.between(0, 7));
                const char strength = random.chance(20) ? ' ' : static_cast<char>('1' + random.between(0, 8));
                if (blank) {
                    line += std::string(14, ' ');
                    // RINEX 2 has no flags without a value; RINEX 3 may.
                    line += rinexMajor == 2 ? std::string(2, ' ') : std::string{lli, ' '};
                } else {
                    line += Fixed(static_cast<double>(v) / 1000.0, 3, 14) + lli + strength;
                }
                if (rinexMajor == 2 && (t + 1) % 5 == 0 && t + 1 < s->types) {
                    text += Trimmed(line);
                    line.clear();
                }
            }
            text += Trimmed(line);
        }
    }
    return text;
}

TEST(CompactProperty, EncodeThenDecodeGivesTheTextBack) {
    struct Case {
        int rinexMajor;
        uint64_t seed;
        int epochs;
    };
    const Case cases[] = {{2, 1, 300}, {2, 2, 300}, {3, 3, 300}, {3, 4, 300}};
    for (const Case& c : cases) {
        SCOPED_TRACE("RINEX " + std::to_string(c.rinexMajor) + ", seed " + std::to_string(c.seed));
        const std::string plain = Generate(c.rinexMajor, c.seed, c.epochs);
        const CodecRun encoded = Encode_Text(plain);
        ASSERT_TRUE(encoded.ok) << encoded.error;
        const CodecRun decoded = Decode_Text(encoded.text);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        const std::vector<std::string> got = Split_Lines(decoded.text);
        const std::vector<std::string> want = Split_Lines(plain);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], want[i]) << "line " << i + 1;

        // No difference of 1e10 or more in magnitude is ever sent, and the
        // jumps of the generator made the encoder start arcs anew.
        size_t arcStarts = 0;
        const std::vector<std::string> compact = Split_Lines(encoded.text);
        for (const std::string& line : compact) {
            size_t at = 0;
            while (at < line.size()) {
                const size_t end = std::min(line.find(' ', at), line.size());
                const std::string token = line.substr(at, end - at);
                at = end + 1;
                int64_t value = 0;
                const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
                if (token.empty() || result.ptr != token.data() + token.size()) {
                    if (token.rfind("3&", 0) == 0 && token.size() > 2) ++arcStarts;
                    continue;
                }
                EXPECT_LT(value < 0 ? -value : value, 10'000'000'000) << line;
            }
        }
        EXPECT_GT(arcStarts, static_cast<size_t>(c.epochs));
    }
}

}  // namespace
}  // namespace zer2ivi::testing
