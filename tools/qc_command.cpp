// zer2ivi qc: arguments of the quality check job (src/job/qc_job.h) and
// its reports.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_support.h"
#include "commands.h"
#include "job/qc_job.h"
#include "job/temp_files.h"
#include "qc/qc_report.h"
#include "rinex/fields.h"

namespace zer2ivi::cli {
namespace {

constexpr const char* kCommand = "qc";

constexpr const char* kUsage =
    "usage: zer2ivi qc INPUT [--nav NAV] [--mask DEGREES] [--position X,Y,Z] [--force] [--json]\n"
    "                  [--html FILE]\n";

constexpr const char* kHelp =
    "Checks an observation file: completeness, gaps, cycle slips and multipath.\n"
    "INPUT is a RINEX 2, 3 or 4 observation file (plain, .gz or .Z; Compact RINEX\n"
    "too; - reads standard input) or a binary observation file; a binary file needs\n"
    "--nav with its ephemeris file.\n"
    "\n"
    "  --nav NAV          RINEX 2 navigation file, or an ephemeris file (tagged or\n"
    "                     plain form): elevations are known and the mask applies\n"
    "  --mask DEGREES     elevation mask (default 10)\n"
    "  --position X,Y,Z   receiver position, metres ECEF (default: the header's\n"
    "                     APPROX POSITION XYZ)\n"
    "  --force            check a file whose epochs go back in time or repeat:\n"
    "                     repeated epochs dropped (the first kept), backward\n"
    "                     jumps listed as gaps (without it such a file is refused)\n"
    "  --json             print the figures as one JSON object\n"
    "  --html FILE        write the report with its plots to FILE\n"
    "\n"
    "Without --json or --html a text summary is printed.  Times are GPS time.\n"
    "Warnings (a file that ends inside an epoch, options not applied, epochs\n"
    "without ephemeris) go to standard error and into the report.\n"
    "Exit status: 0 checked, 1 an input could not be read, 2 usage error.\n";

const std::vector<OptionSpec> kOptions = {
    {"nav", 0, true}, {"mask", 0, true}, {"position", 0, true}, {"json", 0, false}, {"html", 0, true},
    {"force", 0, false},
};

std::optional<std::string> Build_Request(const CommandLine& line, job::QcJob& request) {
    if (line.positionals.size() != 1)
        return line.positionals.empty() ? "needs INPUT" : "too many arguments";
    request.input = line.positionals[0];
    request.nav = line.value("nav");
    request.force = line.has("force");
    if (auto mask = line.value("mask")) {
        request.maskGiven = true;
        const auto degrees = rinex::Parse_Decimal(*mask);
        if (!degrees || *degrees < -90 || *degrees > 90)
            return "--mask '" + *mask + "': not an elevation in degrees (-90 to 90)";
        request.maskDegrees = *degrees;
    }
    if (auto position = line.value("position")) {
        const auto xyz = rinex::Parse_Triple(*position);
        if (!xyz) return "--position '" + *position + "': not X,Y,Z in metres";
        request.position = qc::Vector3{(*xyz)[0], (*xyz)[1], (*xyz)[2]};
    }
    const auto html = line.value("html");
    if (html && html->empty()) return std::string("--html needs a file name");
    for (const std::optional<std::string>& input : {std::optional<std::string>(request.input), request.nav})
        if (html && input && job::Same_File(*html, *input))
            return "--html '" + *html + "' is the input file '" + *input + "'";
    return std::nullopt;
}

}  // namespace

int Run_Qc(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (auto exitCode = Start_Command(kCommand, arguments, kOptions, kUsage, kHelp, line)) return *exitCode;
    job::QcJob request;
    if (auto error = Build_Request(line, request)) return Usage_Error(kCommand, *error, kUsage);
    const job::QcJobResult result = job::Run_Qc_Job(request);
    for (const std::string& warning : result.warnings)
        std::fprintf(stderr, "zer2ivi qc: warning: %s\n", warning.c_str());
    if (!result.checked)
        return result.usageError ? Usage_Error(kCommand, result.error, kUsage) : File_Error(kCommand, result.error);
    const qc::QcReport& report = result.report;
    for (const std::string& warning : report.warnings)
        std::fprintf(stderr, "zer2ivi qc: warning: %s\n", warning.c_str());

    const auto html = line.value("html");
    if (html)
        if (auto failure = job::Write_File_Whole(*html, qc::Html_Report(report)))
            return File_Error(kCommand, *failure);
    if (line.has("json")) {
        std::fputs(qc::Json_Report(report).c_str(), stdout);
    } else if (!html) {
        std::fputs(qc::Text_Summary(report).c_str(), stdout);
    }
    return std::fflush(stdout) == 0 ? kExitSuccess : kExitConversionFailed;
}

}  // namespace zer2ivi::cli
