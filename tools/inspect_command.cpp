// zer2ivi inspect: what the RINEX observation header of a binary observation
// file will say, without leaving any RINEX file behind: the job converts it
// into a private temporary directory and gives the conversion's result.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_support.h"
#include "commands.h"
#include "job/conversion_job.h"
#include "job/log_report.h"

namespace zer2ivi::cli {
namespace {

constexpr const char* kCommand = "inspect";

constexpr const char* kUsage = "usage: zer2ivi inspect OBSFILE [--json] [--gps-week N]\n";

constexpr const char* kHelp =
    "Prints what the RINEX observation header of OBSFILE will say: receiver,\n"
    "channels, epochs, first and last epoch, interval, satellites with their\n"
    "observation counts per type, the types present and the approximate position.\n"
    "\n"
    "      --json           one JSON object instead of text\n"
    "      --gps-week N     GPS week of the first epoch, for calendar dates\n"
    "                       (without it only the seconds of week are known)\n"
    "\n"
    "Exit status: 0 read, 1 the file cannot be converted, 2 usage error.\n";

const std::vector<OptionSpec> kOptions = {
    {"json", 0, false},
    {"gps-week", 0, true},
};

}  // namespace

int Run_Inspect(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (auto exitCode = Start_Command(kCommand, arguments, kOptions, kUsage, kHelp, line))
        return *exitCode;
    if (line.positionals.size() != 1)
        return Usage_Error(kCommand, line.positionals.empty() ? "needs OBSFILE" : "too many arguments",
                           kUsage);
    const std::string& input = line.positionals[0];
    std::optional<int32_t> gpsWeek;
    if (auto error = Gps_Week_Option(line, gpsWeek)) return Usage_Error(kCommand, *error, kUsage);
    const job::LogFacts facts = job::Inspect_Log(input, gpsWeek);
    if (!facts.error.empty()) return File_Error(kCommand, facts.error);
    const api::ObservationResult& result = facts.observations;
    for (const std::string& warning : result.warnings)
        std::fprintf(stderr, "zer2ivi inspect: warning: OBSFILE '%s': %s\n", input.c_str(),
                     warning.c_str());

    const bool weekKnown = gpsWeek.has_value();
    std::fputs((line.has("json") ? job::Log_Report_Json(input, result, weekKnown)
                                 : job::Log_Report_Text(input, result, weekKnown))
                   .c_str(),
               stdout);
    return kExitSuccess;
}

}  // namespace zer2ivi::cli
