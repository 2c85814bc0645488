// Whole-conversion benchmark of the public library.
//
// One run measures, each as the median of several repetitions:
//   1. a day of 1 Hz observations (86,400 epochs, 12 satellites, all five
//      types) converted by Zeb_To_Rinex;
//   2. the I/O floor of that work: the binary file read twice through the
//      same kind of stream with the same 256-byte buffer and the same read
//      sizes, and a file of the RINEX file's size written in lines of the
//      same lengths through a FILE* with the converter's 64 KiB buffer;
//   3. navigation conversions of tagged and plain ephemeris files, each
//      with its own floor (the input read once, same-size output written),
//      and the number work of the navigation conversion alone, in memory
//      (z2i_bench_numbers): the part of its cost no line handling can save;
//   4. RTKLIB's convbin turning the RINEX observation file into RINEX 2.11,
//      where it is installed;
//   5. the peak resident memory of a 1-day and a 10-day conversion, each run
//      in a child process of its own.
//
// Timings are wall-clock medians; the machine may be shared, so CPU time
// (user + system) is printed beside them.  Nothing here passes or fails on
// timing: the exit status is non-zero only when a conversion fails.
//
//   z2i_bench [--tiny] [--runs N] [--dir DIR] [--keep]
//   (ZER2IVI_BENCH_TINY=1 is the same as --tiny)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::bench {
[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "z2i_bench: %s\n", what.c_str());
    std::exit(1);
}
}  // namespace zer2ivi::bench

namespace {

using namespace zer2ivi::bench;

struct Sizes {
    long epochs;
    long epochsLong;  // the "10-day" file of the memory measurement
    int satellites;
    long ephemerides;
    int runs;
};

constexpr Sizes kFullSizes{86400, 864000, 12, 100000, 5};
constexpr Sizes kTinySizes{600, 6000, 12, 2000, 5};

// Buffering as the converter sets it up.
constexpr size_t kZebStreamBufferSize = 256;
constexpr size_t kObsOutputBufferSize = 64 * 1024;
constexpr size_t kTextReadPiece = 8192;
constexpr size_t kNavOutputBufferSize = 64 * 1024;

// ---- small helpers --------------------------------------------------------

struct Timing {
    double wall;  // seconds
    double cpu;   // user + system seconds of this process
};

double Cpu_Seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

template <typename Work>
Timing Measure(Work&& work) {
    const double cpu0 = Cpu_Seconds();
    const auto t0 = std::chrono::steady_clock::now();
    work();
    const auto t1 = std::chrono::steady_clock::now();
    return {std::chrono::duration<double>(t1 - t0).count(), Cpu_Seconds() - cpu0};
}

struct Series {
    std::vector<double> wall;
    std::vector<double> cpu;
    void add(const Timing& t) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    double medianWall() const { return Median(wall); }
    double medianCpu() const { return Median(cpu); }
    double minWall() const { return wall.empty() ? 0.0 : *std::min_element(wall.begin(), wall.end()); }
};


std::vector<uint16_t> Line_Lengths(const std::string& path) {
    std::vector<uint16_t> lengths;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) Die("cannot read " + path);
    std::unique_ptr<char[]> buffer(new char[1 << 20]);
    size_t current = 0;
    size_t got;
    while ((got = std::fread(buffer.get(), 1, 1 << 20, in)) > 0) {
        for (size_t i = 0; i < got; ++i) {
            ++current;
            if (buffer[i] == '\n') {
                lengths.push_back(static_cast<uint16_t>(std::min<size_t>(current, 65535)));
                current = 0;
            }
        }
    }
    if (current > 0) lengths.push_back(static_cast<uint16_t>(std::min<size_t>(current, 65535)));
    std::fclose(in);
    return lengths;
}

// ---- conversions through the public entry point -----------------------------

// ---- I/O floors -------------------------------------------------------------

// Reads a binary observation file as the converter's reader does: a 256-byte
// stream buffer, the header, then per epoch the position record and the
// measurement block each in one read.  Returns the bytes read.
long long Read_Zeb_Like_Converter(std::FILE* in) {
    long long total = 0;
    unsigned char header[202];
    total += static_cast<long long>(std::fread(header, 1, sizeof header, in));
    unsigned char position[68];
    unsigned char measurements[255 * 44];
    for (;;) {
        if (std::fread(position, 1, sizeof position, in) != sizeof position) break;
        const size_t block = static_cast<size_t>(position[2]) * 44;
        total += 68;
        if (block != 0) total += static_cast<long long>(std::fread(measurements, 1, block, in));
    }
    return total;
}

// Writes lines of the given lengths (line end included), one fwrite each.
void Write_Lines(std::FILE* out, const std::vector<uint16_t>& lengths) {
    static char lines[256][256];
    static bool ready = false;
    if (!ready) {
        for (int n = 1; n < 256; ++n) {
            std::memset(lines[n], '7', static_cast<size_t>(n - 1));
            lines[n][n - 1] = '\n';
        }
        ready = true;
    }
    for (uint16_t length : lengths) {
        if (length < 256) {
            std::fwrite(lines[length], 1, length, out);
        } else {
            for (uint16_t i = 1; i < length; ++i) std::fputc('7', out);
            std::fputc('\n', out);
        }
    }
}

void Observation_Floor(const std::string& zeb, const std::string& out,
                       const std::vector<uint16_t>& lengths) {
    std::FILE* in = std::fopen(zeb.c_str(), "rb");
    if (in == nullptr) Die("cannot open " + zeb);
    std::unique_ptr<char[]> inBuffer(new char[kZebStreamBufferSize]);
    std::setvbuf(in, inBuffer.get(), _IOFBF, kZebStreamBufferSize);
    Read_Zeb_Like_Converter(in);
    std::fseek(in, 202, SEEK_SET);
    std::FILE* output = std::fopen(out.c_str(), "w");
    if (output == nullptr) Die("cannot create " + out);
    std::unique_ptr<char[]> outBuffer(new char[kObsOutputBufferSize]);
    std::setvbuf(output, outBuffer.get(), _IOFBF, kObsOutputBufferSize);
    Read_Zeb_Like_Converter(in);
    Write_Lines(output, lengths);
    std::fclose(output);
    std::fclose(in);
}

// The same bytes moved in 1 MiB pieces: the cost of the data alone.
void Raw_Floor(const std::string& zeb, int readPasses, const std::string& out,
               long long outputBytes) {
    std::unique_ptr<char[]> buffer(new char[1 << 20]);
    const int fd = open(zeb.c_str(), O_RDONLY);
    if (fd < 0) Die("cannot open " + zeb);
    for (int pass = 0; pass < readPasses; ++pass) {
        lseek(fd, 0, SEEK_SET);
        while (read(fd, buffer.get(), 1 << 20) > 0) {
        }
    }
    close(fd);
    std::memset(buffer.get(), '7', 1 << 20);
    const int ofd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (ofd < 0) Die("cannot create " + out);
    for (long long left = outputBytes; left > 0;) {
        const size_t piece = static_cast<size_t>(std::min<long long>(left, 1 << 20));
        if (write(ofd, buffer.get(), piece) < 0) Die("write failed");
        left -= static_cast<long long>(piece);
    }
    close(ofd);
}

// The ephemeris reader's way: the file opened "rb" with default buffering,
// read in 8 KiB pieces; the navigation file written "w" one line per call
// through a stream with the converter's 64 KiB buffer.
void Navigation_Floor(const std::string& ephemerides, const std::string& out,
                      const std::vector<uint16_t>& lengths) {
    std::FILE* in = std::fopen(ephemerides.c_str(), "rb");
    if (in == nullptr) Die("cannot open " + ephemerides);
    std::unique_ptr<char[]> buffer(new char[kTextReadPiece]);
    while (std::fread(buffer.get(), 1, kTextReadPiece, in) > 0) {
    }
    std::fclose(in);
    std::FILE* output = std::fopen(out.c_str(), "w");
    if (output == nullptr) Die("cannot create " + out);
    std::unique_ptr<char[]> outBuffer(new char[kNavOutputBufferSize]);
    std::setvbuf(output, outBuffer.get(), _IOFBF, kNavOutputBufferSize);
    Write_Lines(output, lengths);
    std::fclose(output);
}

// The number work of the navigation conversion alone (z2i_bench_numbers, in
// memory, CPU time): printed, and returned as a multiple of the floor's CPU
// time.  However fast the lines are read and written, the conversion costs
// at least its floor plus this.
double Number_Work(const std::string& program, const std::string& plainFile,
                   const std::string& resultFile, int runs, double floorCpu) {
    if (Run_Child({program, plainFile, std::to_string(runs), resultFile}, nullptr, false) != 0) {
        Die("could not measure the number work with " + program);
    }
    double parse = 0.0;
    double format = 0.0;
    std::FILE* result = std::fopen(resultFile.c_str(), "r");
    const bool read = result != nullptr && std::fscanf(result, "%lf %lf", &parse, &format) == 2;
    if (result != nullptr) std::fclose(result);
    std::remove(resultFile.c_str());
    if (!read) Die("no result from " + program);
    const double ratio = floorCpu > 0.0 ? (parse + format) / floorCpu : 0.0;
    std::printf("  number work alone, in memory (the plain file's values read, every record's\n"
                "  fields formatted): cpu median %.1f ms reading + %.1f ms D19.12 = %.2f x the\n"
                "  plain form's I/O floor (cpu)\n",
                parse * 1e3, format * 1e3, ratio);
    return ratio;
}

// ---- the report ---------------------------------------------------------------

std::string Seconds_Text(double s) {
    char text[32];
    if (s >= 1.0) {
        std::snprintf(text, sizeof text, "%.3f s", s);
    } else {
        std::snprintf(text, sizeof text, "%.1f ms", s * 1e3);
    }
    return text;
}

void Print_Series(const char* what, const Series& s) {
    std::printf("  %-34s median %-10s (min %s, cpu median %s, %zu runs)\n", what,
                Seconds_Text(s.medianWall()).c_str(), Seconds_Text(s.minWall()).c_str(),
                Seconds_Text(s.medianCpu()).c_str(), s.wall.size());
}

struct Options {
    bool tiny = false;
    bool keep = false;
    bool navOnly = false;
    int runs = 0;
    std::string dir;
};

Options Parse(int argc, char** argv) {
    Options options;
    const char* env = std::getenv("ZER2IVI_BENCH_TINY");
    if (env != nullptr && *env != '\0' && std::strcmp(env, "0") != 0) options.tiny = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--tiny") {
            options.tiny = true;
        } else if (a == "--nav-only") {
            options.navOnly = true;
        } else if (a == "--keep") {
            options.keep = true;
        } else if (a == "--runs" && i + 1 < argc) {
            options.runs = std::atoi(argv[++i]);
        } else if (a == "--dir" && i + 1 < argc) {
            options.dir = argv[++i];
        } else {
            Die("usage: z2i_bench [--tiny] [--runs N] [--dir DIR] [--keep] [--nav-only]");
        }
    }
    return options;
}

bool Have_Program(const char* name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string paths(path);
    size_t start = 0;
    while (start <= paths.size()) {
        const size_t colon = paths.find(':', start);
        const std::string dir = paths.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return true;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // A child that converts once, for the memory measurement.
    if (argc == 6 && std::strcmp(argv[1], "--convert-child") == 0) {
        std::string message;
        const bool ok = Convert(argv[2], argv[3], argv[4], argv[5], &message);
        if (!ok) std::fprintf(stderr, "%s\n", message.c_str());
        return ok ? 0 : 1;
    }

    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // progress shows while it runs
    const Options options = Parse(argc, argv);
    Sizes sizes = options.tiny ? kTinySizes : kFullSizes;
    if (options.runs >= 1) sizes.runs = options.runs;
    const std::string self = Self_Directory();
    const std::string dir = options.dir.empty() ? self + "/bench-work" : options.dir;
    mkdir(dir.c_str(), 0755);
    const std::string make = self + "/z2i_bench_make_input";
    const std::string numbers = self + "/z2i_bench_numbers";

    auto path = [&](const char* name) { return dir + "/" + name; };
    const std::string zebDay = path("day.zeb");
    const std::string zebLong = path("long.zeb");
    const std::string zebOne = path("one.zeb");
    const std::string ephSmall = path("small-ephemerides.txt");
    const std::string ephTagged = path("tagged-ephemerides.txt");
    const std::string ephPlain = path("plain-ephemerides.txt");
    const std::string obsOut = path("day.obs");
    const std::string navOut = path("small.nav");
    const std::string floorOut = path("floor.out");

    std::printf("zer2ivi benchmark (%s size, Release, one thread; medians of %d runs)\n",
                options.tiny ? "tiny" : "full", sizes.runs);
    std::printf("note: the machine may be shared with other jobs; timings are noisy, so\n"
                "      medians are reported, and the floors run interleaved with the work.\n");

    // ---- inputs
    std::printf("\ninputs (written with the library's own binary file writer):\n");
    const std::string epochs = std::to_string(sizes.epochs);
    const std::string epochsLong = std::to_string(sizes.epochsLong);
    const std::string satellites = std::to_string(sizes.satellites);
    const std::string ephCount = std::to_string(sizes.ephemerides);
    if (Run_Child({make, "obs", zebDay, epochs, satellites}, nullptr, false) != 0 ||
        Run_Child({make, "obs", zebOne, "1", satellites}, nullptr, false) != 0 ||
        Run_Child({make, "tagged", ephSmall, "8"}, nullptr, false) != 0 ||
        Run_Child({make, "tagged", ephTagged, ephCount}, nullptr, false) != 0 ||
        Run_Child({make, "plain", ephPlain, ephCount}, nullptr, false) != 0) {
        Die("could not write the inputs with " + make);
    }
    std::printf("  %-26s %ld epochs x %d satellites, %.1f MB\n", "day.zeb", sizes.epochs,
                sizes.satellites, static_cast<double>(File_Size(zebDay)) / 1e6);
    std::printf("  %-26s %ld ephemerides, %.1f MB\n", "tagged-ephemerides.txt",
                sizes.ephemerides, static_cast<double>(File_Size(ephTagged)) / 1e6);
    std::printf("  %-26s %ld ephemerides, %.1f MB\n", "plain-ephemerides.txt",
                sizes.ephemerides, static_cast<double>(File_Size(ephPlain)) / 1e6);

    // ---- 3: navigation conversions and their floor (run after the others)
    double navRatios[2] = {0.0, 0.0};
    double navCpuRatios[2] = {0.0, 0.0};
    double numbersRatio = 0.0;  // the number work alone / the plain floor, by CPU time
    auto Run_Navigation = [&] {
        std::printf("\nnavigation conversion (%ld ephemerides each):\n", sizes.ephemerides);
        const std::string* navInputs[2] = {&ephTagged, &ephPlain};
        const char* navNames[2] = {"tagged", "plain"};
        for (int form = 0; form < 2; ++form) {
            const std::string navFile = path(form == 0 ? "tagged.nav" : "plain.nav");
            const std::string smallObs = path("one.obs");
            std::string message;
            if (!Convert(zebOne, smallObs, *navInputs[form], navFile, &message)) {
                Die("navigation conversion failed: " + message);
            }
            const long long navBytes = File_Size(navFile);
            const std::vector<uint16_t> navLines = Line_Lengths(navFile);
            Series nav;
            Series navFloor;
            for (int r = 0; r < sizes.runs; ++r) {
                nav.add(Measure([&] { Convert_Or_Die(zebOne, smallObs, *navInputs[form], navFile); }));
                navFloor.add(Measure([&] { Navigation_Floor(*navInputs[form], floorOut, navLines); }));
            }
            navRatios[form] = nav.medianWall() / navFloor.medianWall();
            navCpuRatios[form] = nav.medianCpu() / navFloor.medianCpu();
            std::printf("  %s form: RINEX %.1f MB\n", navNames[form], static_cast<double>(navBytes) / 1e6);
            Print_Series("Zeb_To_Rinex", nav);
            Print_Series("I/O floor (read once, write)", navFloor);
            std::printf("  %.0f ephemerides/s, %.1f MB/s; conversion / I/O floor = %.2f (cpu %.2f), target <= 3\n",
                        static_cast<double>(sizes.ephemerides) / nav.medianWall(),
                        static_cast<double>(navBytes) / 1e6 / nav.medianWall(), navRatios[form],
                        navCpuRatios[form]);
            if (!options.keep) std::remove(navFile.c_str());
            if (form == 1) numbersRatio = Number_Work(numbers, ephPlain, path("numbers.txt"),
                                                      sizes.runs, navFloor.medianCpu());
        }
    };
    if (options.navOnly) {
        Run_Navigation();
        if (!options.keep) std::remove(floorOut.c_str());
        std::printf("\nSUMMARY%s (navigation only): nav conv/floor tagged %.2f (cpu %.2f) plain %.2f "
                    "(cpu %.2f) [%s; numbers alone %.2f]\n",
                    options.tiny ? " (tiny)" : "", navRatios[0], navCpuRatios[0], navRatios[1],
                    navCpuRatios[1], navRatios[0] <= 3.0 && navRatios[1] <= 3.0 ? "met" : "missed",
                    numbersRatio);
        return 0;
    }

    // ---- 1 + 2: observation conversion and its floor
    Convert_Or_Die(zebDay, obsOut, ephSmall, navOut);  // warm-up, and the line lengths
    const long long obsBytes = File_Size(obsOut);
    const std::vector<uint16_t> obsLines = Line_Lengths(obsOut);
    Series conversion;
    Series floor;
    Series raw;
    for (int r = 0; r < sizes.runs; ++r) {
        conversion.add(Measure([&] { Convert_Or_Die(zebDay, obsOut, ephSmall, navOut); }));
        floor.add(Measure([&] { Observation_Floor(zebDay, floorOut, obsLines); }));
        raw.add(Measure([&] { Raw_Floor(zebDay, 2, floorOut, obsBytes); }));
    }
    if (File_Size(floorOut) != obsBytes) Die("the floor did not write the output's size");
    const double obsWall = conversion.medianWall();
    const double obsRatio = obsWall / floor.medianWall();
    const double epochsPerSecond = static_cast<double>(sizes.epochs) / obsWall;
    const double megabytesPerSecond = static_cast<double>(obsBytes) / 1e6 / obsWall;
    std::printf("\nobservation conversion: %ld epochs, all five types, RINEX %.1f MB in %zu lines\n",
                sizes.epochs, static_cast<double>(obsBytes) / 1e6, obsLines.size());
    Print_Series("Zeb_To_Rinex", conversion);
    Print_Series("I/O floor (same streams)", floor);
    Print_Series("raw I/O (1 MiB read/write)", raw);
    std::printf("  %.0f epochs/s, %.1f MB/s of RINEX written\n", epochsPerSecond,
                megabytesPerSecond);
    std::printf("  conversion / I/O floor = %.2f (cpu %.2f), target <= 3\n", obsRatio,
                conversion.medianCpu() / floor.medianCpu());

    // ---- 4: convbin
    double convbinRatio = 0.0;
    bool convbinRan = false;
    if (Have_Program("convbin")) {
        const std::string convbinOut = path("convbin.obs");
        Series convbin;
        bool ok = true;
        for (int r = 0; r < sizes.runs && ok; ++r) {
            int status = 0;
            rusage usage{};
            Timing t = Measure([&] {
                status = Run_Child({"convbin", "-r", "rinex", "-v", "2.11", "-o", convbinOut, obsOut},
                                   &usage, true);
            });
            // The child's own processor time, not this process's.
            t.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
            ok = status == 0 && File_Size(convbinOut) > 0;
            convbin.add(t);
        }
        std::printf("\nRTKLIB convbin -r rinex -v 2.11 on the same RINEX observation file:\n");
        if (ok) {
            convbinRan = true;
            convbinRatio = convbin.medianWall() / obsWall;
            Print_Series("convbin", convbin);
            std::printf("  %.0f epochs/s; convbin / conversion = %.1f, target >= 10\n",
                        static_cast<double>(sizes.epochs) / convbin.medianWall(), convbinRatio);
        } else {
            std::printf("  convbin failed; no peer figure\n");
        }
        if (!options.keep) std::remove(convbinOut.c_str());
    } else {
        std::printf("\nRTKLIB convbin not installed (Debian package rtklib): no peer figure\n");
    }

    Run_Navigation();

    // ---- 5: peak resident memory, each conversion in a child of its own
    std::printf("\npeak resident memory (ru_maxrss of a child process that converts once):\n");
    if (Run_Child({make, "obs", zebLong, epochsLong, satellites}, nullptr, false) != 0) {
        Die("could not write " + zebLong);
    }
    const std::string selfExe = self + "/z2i_bench";
    const std::string longOut = path("long.obs");
    long rss[2] = {0, 0};
    const std::string* rssInputs[2] = {&zebDay, &zebLong};
    for (int i = 0; i < 2; ++i) {
        rusage usage{};
        if (Run_Child({selfExe, "--convert-child", *rssInputs[i], longOut, ephSmall, navOut}, &usage,
                      false) != 0) {
            Die("the memory measurement's conversion failed");
        }
        rss[i] = usage.ru_maxrss;  // KiB
    }
    const long rssGrowth = rss[1] - rss[0];
    std::printf("  1 day  (%ld epochs): %.2f MiB\n", sizes.epochs, static_cast<double>(rss[0]) / 1024.0);
    std::printf("  10 days (%ld epochs): %.2f MiB\n", sizes.epochsLong, static_cast<double>(rss[1]) / 1024.0);
    std::printf("  growth %+.2f MiB, target within 1 MiB\n", static_cast<double>(rssGrowth) / 1024.0);
    if (!options.keep) {
        std::remove(zebLong.c_str());
        std::remove(longOut.c_str());
        std::remove(floorOut.c_str());
    }

    // ---- summary
    const bool obsMet = obsRatio <= 3.0;
    const bool convbinMet = !convbinRan || convbinRatio >= 10.0;
    const bool navMet = navRatios[0] <= 3.0 && navRatios[1] <= 3.0;
    const bool rssMet = rssGrowth <= 1024 && rssGrowth >= -1024;
    char convbinText[64];
    if (convbinRan) {
        std::snprintf(convbinText, sizeof convbinText, "convbin/conv %.1fx", convbinRatio);
    } else {
        std::snprintf(convbinText, sizeof convbinText, "convbin n/a");
    }
    std::printf("\nSUMMARY%s: obs %.0f epochs/s %.1f MB/s, conv/floor %.2f [%s]; %s [%s]; "
                "nav conv/floor tagged %.2f (cpu %.2f) plain %.2f (cpu %.2f) [%s; numbers alone %.2f]; RSS 1d %.2f MiB 10d %.2f MiB [%s]\n",
                options.tiny ? " (tiny)" : "", epochsPerSecond, megabytesPerSecond, obsRatio,
                obsMet ? "met" : "missed", convbinText,
                convbinRan ? (convbinMet ? "met" : "missed") : "-", navRatios[0], navCpuRatios[0],
                navRatios[1], navCpuRatios[1],
                navMet ? "met" : "missed", numbersRatio, static_cast<double>(rss[0]) / 1024.0,
                static_cast<double>(rss[1]) / 1024.0, rssMet ? "met" : "missed");
    return 0;
}
