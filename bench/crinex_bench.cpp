// Compact RINEX benchmark: a day of 1 Hz epochs (12 satellites, five types)
// converted to RINEX 2.11, then, side by side in one run, each as the
// median of several repetitions:
//   - encoding the RINEX file to Compact RINEX (whole file, to disk),
//   - decoding that compact file back to RINEX,
//   - gzip -6 of the RINEX file (the gzip program),
// the sizes (plain, compact, compact gzipped, plain gzipped), whether the
// decoded file equals the plain one (trailing blanks aside), and the peak
// resident memory of a decoding and an encoding child process on a 1 h and
// on the 24 h file (memory must not grow with the file).
//
//   z2i_bench_crinex [--tiny] [--runs N] [--dir DIR]
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "crinex/crinex.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::bench {
[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "z2i_bench_crinex: %s\n", what.c_str());
    std::exit(1);
}
}  // namespace zer2ivi::bench

namespace {

using namespace zer2ivi::bench;

using zer2ivi::crinex::Decode_File;
using zer2ivi::crinex::Encode_File;

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}



void Codec_Or_Die(bool encode, const std::string& in, const std::string& out) {
    std::string error;
    if (!(encode ? Encode_File(in, out, error) : Decode_File(in, out, error))) Die(error);
}

void Gzip_Or_Die(const std::string& in, const std::string& out) {
    if (Run_Child({"sh", "-c", "gzip -6 -c '" + in + "' > '" + out + "'"}, nullptr) != 0)
        Die("gzip -6 failed (is gzip installed?)");
}

// Same lines, trailing blanks aside.
bool Same_Text(const std::string& a, const std::string& b) {
    zer2ivi::textio::TextSource left, right;
    if (!left.open(a) || !right.open(b)) return false;
    auto trim = [](std::string_view s) {
        while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
        return s;
    };
    std::string_view x, y, rawX, rawY;
    for (;;) {
        const auto l = left.next(x, rawX);
        const auto r = right.next(y, rawY);
        if (l != r) return false;
        if (l != zer2ivi::crinex::LineSource::Status::kLine) return l == zer2ivi::crinex::LineSource::Status::kEnd;
        if (trim(x) != trim(y)) return false;
    }
}

long Peak_KiB(const std::string& self, const char* mode, const std::string& in, const std::string& out) {
    rusage usage{};
    if (Run_Child({self, mode, in, out}, &usage) != 0) Die(std::string(mode) + " child failed");
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && (std::strcmp(argv[1], "--encode-child") == 0 || std::strcmp(argv[1], "--decode-child") == 0)) {
        Codec_Or_Die(std::strcmp(argv[1], "--encode-child") == 0, argv[2], argv[3]);
        return 0;
    }
    bool tiny = std::getenv("ZER2IVI_BENCH_TINY") != nullptr;
    int runs = 3;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--tiny") {
            tiny = true;
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--dir" && i + 1 < argc) {
            dir = argv[++i];
        } else {
            Die("usage: z2i_bench_crinex [--tiny] [--runs N] [--dir DIR]");
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string self = Self_Directory();
    if (dir.empty()) dir = self + "/bench-work";
    mkdir(dir.c_str(), 0755);
    auto path = [&](const char* name) { return dir + "/" + name; };
    const std::string make = self + "/z2i_bench_make_input";
    const long epochs = tiny ? 600 : 86400;
    const long epochsShort = tiny ? 60 : 3600;

    std::printf("Compact RINEX benchmark (%s: %ld epochs of 1 Hz, 12 satellites, 5 types; medians of %d runs)\n",
                tiny ? "tiny" : "full day", epochs, runs);
    const std::string eph = path("crx-ephemerides.txt");
    if (Run_Child({make, "obs", path("crx-day.zeb"), std::to_string(epochs), "12"}, nullptr) != 0 ||
        Run_Child({make, "obs", path("crx-hour.zeb"), std::to_string(epochsShort), "12"}, nullptr) != 0 ||
        Run_Child({make, "tagged", eph, "8"}, nullptr) != 0)
        Die("cannot write the inputs");
    const std::string plain = path("crx-day.obs"), compact = path("crx-day.crx");
    const std::string back = path("crx-back.obs"), plainGz = path("crx-day.obs.gz");
    const std::string compactGz = path("crx-day.crx.gz");
    const std::string plainShort = path("crx-hour.obs"), compactShort = path("crx-hour.crx");
    Convert_Or_Die(path("crx-day.zeb"), plain, eph, path("crx-day.nav"));
    Convert_Or_Die(path("crx-hour.zeb"), plainShort, eph, path("crx-hour.nav"));

    std::vector<double> encode, decode, gzip;
    for (int r = 0; r < runs; ++r) {
        encode.push_back(Seconds([&] { Codec_Or_Die(true, plain, compact); }));
        decode.push_back(Seconds([&] { Codec_Or_Die(false, compact, back); }));
        gzip.push_back(Seconds([&] { Gzip_Or_Die(plain, plainGz); }));
    }
    Gzip_Or_Die(compact, compactGz);
    Codec_Or_Die(true, plainShort, compactShort);

    const double mb = static_cast<double>(File_Size(plain)) / 1e6;
    std::printf("\n%-34s %9s %9s\n", "work (whole file, to disk)", "seconds", "MB/s");
    std::printf("%-34s %9.3f %9.1f\n", "encode RINEX -> Compact RINEX", Median(encode), mb / Median(encode));
    std::printf("%-34s %9.3f %9.1f\n", "decode Compact RINEX -> RINEX", Median(decode), mb / Median(decode));
    std::printf("%-34s %9.3f %9.1f\n", "gzip -6 of the RINEX file", Median(gzip), mb / Median(gzip));
    std::printf("\nsizes: plain %lld, compact %lld (%.3f), compact.gz %lld (%.3f), plain.gz %lld (%.3f) bytes\n",
                File_Size(plain), File_Size(compact),
                static_cast<double>(File_Size(compact)) / static_cast<double>(File_Size(plain)),
                File_Size(compactGz),
                static_cast<double>(File_Size(compactGz)) / static_cast<double>(File_Size(plain)),
                File_Size(plainGz),
                static_cast<double>(File_Size(plainGz)) / static_cast<double>(File_Size(plain)));
    std::printf("decoded file equals the plain file (trailing blanks aside): %s\n",
                Same_Text(plain, back) ? "yes" : "NO");

    std::printf("\npeak resident memory (ru_maxrss of a child, KiB): %ld epochs / %ld epochs\n", epochsShort,
                epochs);
    std::printf("  decode: %ld / %ld\n", Peak_KiB(self + "/z2i_bench_crinex", "--decode-child", compactShort, back),
                Peak_KiB(self + "/z2i_bench_crinex", "--decode-child", compact, back));
    std::printf("  encode: %ld / %ld\n", Peak_KiB(self + "/z2i_bench_crinex", "--encode-child", plainShort, compactShort),
                Peak_KiB(self + "/z2i_bench_crinex", "--encode-child", plain, compact));
    return 0;
}
