// Benchmark of the quality check against the conversion it follows, in the
// same run: a day of a station's log at 1 Hz on real broadcast orbits
// (z2i_bench_make_day) is converted with Zeb_To_Rinex, then the converted
// RINEX observation file is checked with its converted navigation file
// (elevations, mask 10 degrees), as `zer2ivi qc` does.  The figure is the
// ratio of the medians, qc / conversion (target: at most 2).  The peak
// resident memory of one check, run in a child process, shows that the
// file is streamed.
//
//   z2i_bench_qc [--tiny] [--runs N] [--dir DIR] [--keep]
//   (--tiny: a day at 30 s; ZER2IVI_BENCH_TINY=1 is the same)
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "qc/qc_run.h"
#include "zer2ivi/zer2ivi.h"

namespace {

struct Options {
    bool tiny = false;
    int runs = 5;
    std::string dir;
    bool keep = false;
};

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool Copy(char* field, size_t size, const std::string& text) {
    if (text.size() >= size) return false;
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

bool Convert(const std::string& log, const std::string& ephemeris, const std::string& obs,
             const std::string& nav) {
    ObsSettings o{};
    NavSettings n{};
    o.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    n.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
    o.obsTypeMask = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;
    if (!Copy(o.zebFileName, sizeof o.zebFileName, log) || !Copy(o.rinexObsFileName, sizeof o.rinexObsFileName, obs) ||
        !Copy(n.ephemerisFileName, sizeof n.ephemerisFileName, ephemeris) ||
        !Copy(n.rinexNavFileName, sizeof n.rinexNavFileName, nav))
        return false;
    if (Zeb_To_Rinex(&o, &n) == 0) return true;
    char message[ZER2IVI_MESSAGE_SIZE];
    Get_Error_Str(message);
    std::fprintf(stderr, "conversion failed: %s\n", message);
    return false;
}

bool Check(const std::string& obs, const std::string& nav, zer2ivi::qc::QcReport& report) {
    zer2ivi::qc::EphemerisStore store;
    std::string error;
    if (!store.Load(nav, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    zer2ivi::qc::QcRunOptions options;
    options.observationPath = obs;
    options.inputName = obs;
    options.ephemerides = &store;
    if (!zer2ivi::qc::Run_Quality_Check(options, report, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return true;
}

// Peak resident memory (MiB) of one check in a child process.
double Check_Memory(const std::string& obs, const std::string& nav) {
    const pid_t child = fork();
    if (child == 0) {
        zer2ivi::qc::QcReport report;
        _exit(Check(obs, nav, report) ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const char* tinyVariable = std::getenv("ZER2IVI_BENCH_TINY");
    options.tiny = tinyVariable != nullptr && std::strcmp(tinyVariable, "1") == 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--tiny") {
            options.tiny = true;
        } else if (argument == "--keep") {
            options.keep = true;
        } else if (argument == "--runs" && i + 1 < argc) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--dir" && i + 1 < argc) {
            options.dir = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--tiny] [--runs N] [--dir DIR] [--keep]\n", argv[0]);
            return 2;
        }
    }
    bool madeDir = false;
    if (options.dir.empty()) {
        char pattern[] = "/tmp/z2i_bench_qc_XXXXXX";
        if (mkdtemp(pattern) == nullptr) return 1;
        options.dir = pattern;
        madeDir = true;
    }
    const std::string data = ZER2IVI_REAL_DATA_DIR;
    const std::string log = options.dir + "/qcday.zeb";
    const std::string obs = options.dir + "/qcday.04o";
    const std::string nav = options.dir + "/qcday.04n";
    const std::string interval = options.tiny ? "30" : "1";
    const std::string make = std::string(ZER2IVI_MAKE_DAY) + " '" + data + "/bahr1620.04n' '" + log + "' " + interval;
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "cannot make %s\n", log.c_str());
        return 1;
    }

    std::vector<double> convert, check;
    zer2ivi::qc::QcReport report;
    for (int run = 0; run < options.runs; ++run) {
        double start = Now();
        if (!Convert(log, data + "/bahr1620.tagged.eph", obs, nav)) return 1;
        convert.push_back(Now() - start);
        start = Now();
        if (!Check(obs, nav, report)) return 1;
        check.push_back(Now() - start);
    }
    struct stat status {};
    stat(obs.c_str(), &status);
    const double memory = Check_Memory(obs, nav);
    const double ratio = Median(check) / Median(convert);
    std::printf("qc benchmark: a day at %s s, %lld epochs, %lld satellite epochs, RINEX file %.1f MB\n",
                interval.c_str(), static_cast<long long>(report.result.epochs),
                static_cast<long long>(report.result.usableEpochs), static_cast<double>(status.st_size) / 1e6);
    std::printf("  conversion (Zeb_To_Rinex)        %8.3f s  (median of %d)\n", Median(convert), options.runs);
    std::printf("  qc of the converted file + nav   %8.3f s  (median of %d)\n", Median(check), options.runs);
    std::printf("  ratio qc / conversion            %8.2f    (target <= 2)\n", ratio);
    std::printf("  peak memory of one qc            %8.1f MiB\n", memory);
    if (!options.keep) {
        std::remove(log.c_str());
        std::remove(obs.c_str());
        std::remove(nav.c_str());
        if (madeDir) std::filesystem::remove(options.dir);
    }
    return 0;
}
