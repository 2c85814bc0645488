// zer2ivi batch: converts many logs, each by a worker process of the tool
// itself running `zer2ivi convert`, so that each file is all-or-nothing as
// in convert and one failed log does not stop the others.
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define Z2I_ISATTY _isatty
#define Z2I_FILENO _fileno
#else
#include <unistd.h>
#define Z2I_ISATTY isatty
#define Z2I_FILENO fileno
#endif

#include <chrono>

#include "cli_support.h"
#include "commands.h"
#include "job/batch.h"
#include "job/temp_files.h"
#include "job/worker_processes.h"
#include "product_options.h"

namespace zer2ivi::cli {
namespace {

constexpr const char* kCommand = "batch";

constexpr const char* kUsage =
    "usage: zer2ivi batch [-j N] [-d DIR] [--ephemeris FILE] [--ephemeris-suffix S]\n"
    "         [convert options] OBSFILE...\n";

constexpr const char* kHelp =
    "Converts many binary observation logs, each as `zer2ivi convert` would, in\n"
    "N worker processes.  Each log is all-or-nothing; a failed log does not stop\n"
    "the others.\n"
    "\n"
    "  -j, --jobs N               worker processes (default: the number of cores)\n"
    "  -d, --directory DIR        where the RINEX files go, made with its parents when\n"
    "                             missing (default: current directory)\n"
    "      --ephemeris FILE       the ephemeris file of every log\n"
    "      --ephemeris-suffix S   otherwise each log's is the file beside it with the\n"
    "                             same stem and this suffix (default .eph)\n"
    "Every other option is one of convert's, given to each conversion (the\n"
    "list follows; zer2ivi convert --help tells what each does).\n"
    "\n"
    "Before any work starts, the names of every log's files are planned from the\n"
    "log's first epoch; two logs whose files would get the same names (same\n"
    "station and day, or with --split a common piece) are a usage error.\n"
    "\n"
    "On a terminal one progress line shows the files done, epochs per second and\n"
    "the time left.  The end is a table of every log: its RINEX files and epochs,\n"
    "or the error.\n"
    "Exit status: 0 all converted, 1 any failed, 2 usage error.\n";

constexpr const char* kDefaultSuffix = ".eph";
constexpr unsigned kMaxJobs = 256;

std::vector<OptionSpec> Batch_Options() {
    std::vector<OptionSpec> specs = {{"jobs", 'j', true},
                                     {"directory", 'd', true},
                                     {"ephemeris", 0, true},
                                     {"ephemeris-suffix", 0, true}};
    for (const OptionSpec& spec : Convert_Option_Specs()) {
        if (spec.longName == "obs-file" || spec.longName == "nav-file" ||
            spec.longName == "directory" || spec.longName == "report-file")
            continue;  // one name for many files makes no sense
        specs.push_back(spec);
    }
    return specs;
}

class Progress {
public:
    Progress(size_t total) : total_(total), start_(std::chrono::steady_clock::now()),
                             shown_(Z2I_ISATTY(Z2I_FILENO(stderr)) != 0) {}

    void update(size_t done, int64_t epochs) {
        if (!shown_) return;
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double rate = elapsed > 0 ? static_cast<double>(epochs) / elapsed : 0.0;
        const double left = done > 0 ? elapsed / static_cast<double>(done) *
                                           static_cast<double>(total_ - done)
                                     : 0.0;
        std::fprintf(stderr, "\r\033[Kbatch: %zu/%zu files, %.0f epochs/s, %.0f s left", done,
                     total_, rate, left);
        std::fflush(stderr);
    }
    void finish() {
        if (shown_) std::fprintf(stderr, "\r\033[K");
    }

private:
    size_t total_;
    std::chrono::steady_clock::time_point start_;
    bool shown_;
};

void Print_Summary(const std::vector<job::BatchItem>& jobs) {
    size_t width = 4;
    for (const job::BatchItem& job : jobs) width = std::max(width, job.log.size());
    std::printf("%-*s  %-6s  %8s  %s\n", static_cast<int>(width), "file", "result", "epochs",
                "RINEX files or error");
    size_t failed = 0;
    for (const job::BatchItem& job : jobs) {
        const bool ok = job.exitCode == 0;
        failed += ok ? 0 : 1;
        std::string detail;
        if (ok) {
            for (const std::string& output : job.outputs) detail += (detail.empty() ? "" : " ") + output;
        } else {
            detail = job.error.empty() ? "exit status " + std::to_string(job.exitCode) : job.error;
        }
        const std::string epochs = ok && job.epochs >= 0 ? std::to_string(job.epochs) : "-";
        std::printf("%-*s  %-6s  %8s  %s\n", static_cast<int>(width), job.log.c_str(),
                    ok ? "ok" : "FAILED", epochs.c_str(), detail.c_str());
    }
    std::printf("%zu files: %zu converted, %zu failed\n", jobs.size(), jobs.size() - failed, failed);
}

}  // namespace

int Run_Batch(const std::vector<std::string>& arguments) {
    const std::vector<OptionSpec> specs = Batch_Options();
    CommandLine line;
    std::string help = std::string(kHelp) + "\nconvert options:";
    size_t column = 16;
    for (const OptionSpec& spec : specs) {
        if (spec.longName == "jobs" || spec.longName == "directory" ||
            spec.longName == "ephemeris" || spec.longName == "ephemeris-suffix")
            continue;
        const std::string name = " --" + std::string(spec.longName) + (spec.takesValue ? " X" : "");
        if (column + name.size() > 78) {
            help += "\n ";
            column = 1;
        }
        help += name;
        column += name.size();
    }
    help += "\n";
    if (auto exitCode = Start_Command(kCommand, arguments, specs, kUsage, help.c_str(), line))
        return *exitCode;
    if (line.positionals.empty()) return Usage_Error(kCommand, "needs OBSFILE...", kUsage);
    unsigned workers = std::max(1u, std::thread::hardware_concurrency());
    if (auto text = line.value("jobs")) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(text->c_str(), &end, 10);
        if (text->empty() || *end != '\0' || value < 1 || value > kMaxJobs ||
            (*text)[0] == '-' || (*text)[0] == '+')
            return Usage_Error(kCommand, "-j: '" + *text + "' is not 1 to " + std::to_string(kMaxJobs),
                               kUsage);
        workers = static_cast<unsigned>(value);
    }
    // The product options are checked here, once, not by every worker.
    ProductOptions products;
    if (auto error = Parse_Product_Options(line, false, products))
        return Usage_Error(kCommand, *error, kUsage);
    const std::string directory = line.value("directory").value_or(".");
    std::optional<int32_t> gpsWeek;
    if (auto error = Gps_Week_Option(line, gpsWeek)) return Usage_Error(kCommand, *error, kUsage);
    const auto commonEphemeris = line.value("ephemeris");
    const std::string suffix = line.value("ephemeris-suffix").value_or(kDefaultSuffix);
    if (commonEphemeris && line.has("ephemeris-suffix"))
        return Usage_Error(kCommand, "--ephemeris and --ephemeris-suffix exclude each other", kUsage);
    const bool noNav = line.has("no-nav");

    // The options every conversion gets.
    std::vector<std::string> forwarded;
    for (const ParsedOption& option : line.options) {
        if (option.longName == "jobs" || option.longName == "directory" ||
            option.longName == "ephemeris" || option.longName == "ephemeris-suffix")
            continue;
        forwarded.push_back("--" + std::string(option.longName));
        for (const OptionSpec& spec : specs)
            if (spec.longName == option.longName && spec.takesValue) forwarded.push_back(option.value);
    }

    std::vector<job::BatchItem> jobs;
    for (const std::string& log : line.positionals) {
        job::BatchItem item;
        item.log = log;
        if (!noNav) item.ephemeris = commonEphemeris.value_or(job::Ephemeris_Beside(log, suffix));
        jobs.push_back(item);
    }
    // The files every log will get, before any work starts.
    std::optional<double> pieceSeconds;
    if (products.pieceLength)
        pieceSeconds = static_cast<double>(products.pieceLength->duration()) / rinex::kTicksPerSecond;
    if (auto clash = job::Batch_Name_Clash(jobs, line.value("marker").value_or(""), gpsWeek, pieceSeconds, directory))
        return Usage_Error(kCommand, *clash, kUsage);
    if (auto error = job::Make_Output_Directory(directory)) {
        std::fprintf(stderr, "zer2ivi %s: %s\n", kCommand, error->c_str());
        return kExitConversionFailed;
    }

    job::BatchRun run;
    run.program = job::Own_Program_Path();
    if (run.program.empty()) {
        std::fprintf(stderr, "zer2ivi %s: cannot find the program's own path\n", kCommand);
        return kExitConversionFailed;
    }
    run.directory = directory;
    run.options = forwarded;
    run.workers = workers;
    Progress progress(jobs.size());
    run.progress = [&](size_t done, int64_t epochs) { progress.update(done, epochs); };
    if (auto error = job::Run_Batch(run, jobs)) {
        std::fprintf(stderr, "zer2ivi %s: %s\n", kCommand, error->c_str());
        return kExitConversionFailed;
    }
    progress.finish();
    Print_Summary(jobs);
    for (const job::BatchItem& job : jobs)
        if (job.exitCode != 0) return kExitConversionFailed;
    return kExitSuccess;
}

}  // namespace zer2ivi::cli
