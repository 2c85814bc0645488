// Writes the seed corpora of the fuzz targets with the library's own
// binary file writer, plus short cuts of real ephemeris and observation
// files:  make_seeds CORPUS_DIR [REAL_DATA_DIR]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "zebfile/zebfile.h"

using namespace zer2ivi;
namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// The first lines of a text (with their line ends).
std::string First_Lines(const std::string& text, int lines) {
    size_t end = 0;
    for (int i = 0; i < lines && end < text.size(); ++i) {
        const size_t next = text.find('\n', end);
        end = next == std::string::npos ? text.size() : next + 1;
    }
    return text.substr(0, end);
}

std::string With_Crlf(const std::string& text) {
    std::string result;
    for (char c : text) {
        if (c == '\n') result += '\r';
        result += c;
    }
    return result;
}

struct EpochSpec {
    double timeOfWeek;
    double clockOffset;
    std::vector<int> prns;
};

// A binary observation file written by Zeb_Create / Zeb_Write_Epoch.
std::string Zeb_Image(const fs::path& scratch, uint8_t channelCount,
                      const std::vector<EpochSpec>& epochs) {
    ZebWriter writer;
    if (!Zeb_Create(writer, scratch.c_str(), 6, channelCount)) {
        std::fprintf(stderr, "Zeb_Create failed\n");
        std::exit(1);
    }
    for (const EpochSpec& spec : epochs) {
        PositionRecord position{};
        position.measurementCount = static_cast<uint8_t>(spec.prns.size());
        position.positionFlags = kPositionSettledFlag;
        position.latitude = 35.7;
        position.longitude = 139.5;
        position.height = 80.0f;
        position.timeOfWeek = spec.timeOfWeek;
        position.clockOffset = spec.clockOffset;
        std::vector<MeasurementRecord> measurements(spec.prns.size() + 1);
        for (size_t i = 0; i < spec.prns.size(); ++i) {
            MeasurementRecord& m = measurements[i];
            m.prn = static_cast<uint8_t>(spec.prns[i]);
            m.lockCount = static_cast<uint8_t>(10 + i);
            m.c1 = 20000000.0 + 1000.0 * static_cast<double>(i);
            m.l1 = -105000000.25 - static_cast<double>(i);
            m.d1 = 1234.5 - static_cast<double>(i);
            m.p2 = (i % 2 == 0) ? 20000001.5 : 0.0;
            m.l2 = (i % 3 == 0) ? -81000000.75 : 0.0;
        }
        if (!Zeb_Write_Epoch(writer, position, measurements.data())) {
            std::fprintf(stderr, "Zeb_Write_Epoch failed\n");
            std::exit(1);
        }
    }
    if (!Zeb_Finish(writer)) {
        std::fprintf(stderr, "Zeb_Finish failed\n");
        std::exit(1);
    }
    std::string image = Read(scratch);
    fs::remove(scratch);
    return image;
}

// The settings prefix of fuzz_zeb_to_rinex (see fuzz_zeb_to_rinex.cpp).
std::string Settings_Prefix(uint8_t flags, uint32_t mask, int32_t week, double antennaHeight,
                            const std::vector<std::string>& texts) {
    std::string bytes(1, static_cast<char>(flags));
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((mask >> (8 * i)) & 0xff);
    const auto weekBits = static_cast<uint32_t>(week);
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((weekBits >> (8 * i)) & 0xff);
    uint64_t heightBits;
    std::memcpy(&heightBits, &antennaHeight, sizeof heightBits);
    for (int i = 0; i < 8; ++i) bytes += static_cast<char>((heightBits >> (8 * i)) & 0xff);
    for (const std::string& text : texts) {
        bytes += static_cast<char>(text.size());
        bytes += text;
    }
    return bytes;
}

std::string Length_Prefixed(const std::string& text) {
    std::string bytes;
    bytes += static_cast<char>(text.size() & 0xff);
    bytes += static_cast<char>((text.size() >> 8) & 0xff);
    return bytes + text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR [REAL_DATA_DIR]\n", argv[0]);
        return 2;
    }
    const fs::path corpus = argv[1];
    const fs::path real = argc > 2 ? fs::path(argv[2]) : fs::path();
    for (const char* target : {"fuzz_observations", "fuzz_tagged", "fuzz_plain",
                               "fuzz_zeb_to_rinex"}) {
        fs::create_directories(corpus / target);
    }
    const fs::path scratch = fs::temp_directory_path() / "zer2ivi-seed.zeb";

    // Observation files.
    const std::string empty = Zeb_Image(scratch, 12, {});
    const std::string small = Zeb_Image(
        scratch, 12,
        {{345600.0, 12.5, {3, 17, 31}}, {345601.0, -0.25, {3, 17, 31, 40}},
         {345602.0, 0.0, {}}, {345603.0, 3.0, {17, 40, 64}}});
    const std::string rollover =
        Zeb_Image(scratch, 4, {{604790.0, 0.0, {1}}, {604799.0, 0.0, {1, 2}}, {5.0, 0.0, {2}},
                               {10.0, 0.0, {1, 2}}});
    const std::string full = Zeb_Image(
        scratch, 24,
        {{100.0, 1e-3, {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                        13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24}}});
    const std::string over = Zeb_Image(scratch, 30, {{100.0, 0.0, std::vector<int>(25, 7)}});
    Write(corpus / "fuzz_observations" / "empty.zeb", empty);
    Write(corpus / "fuzz_observations" / "small.zeb", small);
    Write(corpus / "fuzz_observations" / "rollover.zeb", rollover);
    Write(corpus / "fuzz_observations" / "full_epoch.zeb", full);
    Write(corpus / "fuzz_observations" / "over_capacity.zeb", over);

    std::string tagged = "$EPHREC seed\nGpsEph {\n  Prn: 1\n}\n";
    std::string plain = "1 1316 0 0 1 0\n0 0 0\n1 0 0 0\n0 0 0 5153\n0 0 0 0\n0 0 0 0 0\n";
    if (!real.empty()) {
        const std::string realZeb = Read(real / "07590920.zeb");
        if (realZeb.size() > 202) {
            // The header and the first epochs.
            Write(corpus / "fuzz_observations" / "real_cut.zeb", realZeb.substr(0, 202 + 1400));
        }
        const std::string realTagged = Read(real / "07590920.tagged.eph");
        const std::string realPlain = Read(real / "07590920.plain.eph");
        if (!realTagged.empty()) tagged = First_Lines(realTagged, 1 + 4 * 8);
        if (!realPlain.empty()) plain = First_Lines(realPlain, 4 * 6);
        Write(corpus / "fuzz_tagged" / "real_other.eph",
              First_Lines(Read(real / "bahr1620.tagged.eph"), 1 + 2 * 8));
        Write(corpus / "fuzz_plain" / "real_other.eph",
              First_Lines(Read(real / "bahr1620.plain.eph"), 2 * 6));
    }
    Write(corpus / "fuzz_tagged" / "four_records.eph", tagged);
    Write(corpus / "fuzz_tagged" / "four_records_crlf.eph", With_Crlf(tagged));
    Write(corpus / "fuzz_tagged" / "header_only.eph", "$EPHREC\n");
    Write(corpus / "fuzz_plain" / "four_records.eph", plain);
    Write(corpus / "fuzz_plain" / "four_records_crlf.eph", With_Crlf(plain));

    const std::vector<std::string> texts = {"fuzz", "MARKER", "OBSERVER", "AGENCY", "navfuzz"};
    Write(corpus / "fuzz_zeb_to_rinex" / "tagged_small.bin",
          Settings_Prefix(0, 31, 0, 1.5, texts) + Length_Prefixed(tagged) + small);
    Write(corpus / "fuzz_zeb_to_rinex" / "plain_week.bin",
          Settings_Prefix(1 << 2, 31, 1316, 0.0, texts) + Length_Prefixed(plain) + rollover);
    Write(corpus / "fuzz_zeb_to_rinex" / "long_texts.bin",
          Settings_Prefix(0, 0xffffffffu, 0, -2.25,
                          {std::string(40, 'R'), std::string(128, 'M'), std::string(21, 'O'),
                           std::string(41, 'A'), std::string(128, 'N')}) +
              Length_Prefixed(First_Lines(tagged, 9)) + full);
    Write(corpus / "fuzz_zeb_to_rinex" / "empty_files.bin",
          Settings_Prefix(0, 1, 0, 0.0, texts) + Length_Prefixed("") + empty);
    return 0;
}
