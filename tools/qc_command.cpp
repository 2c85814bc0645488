// zer2ivi qc: the quality check of a RINEX 2 observation file or a binary
// log.  A binary log is converted first, in a private temporary directory,
// with its ephemeris file; an ephemeris file given with a RINEX observation
// file is turned into a RINEX navigation file the same way, with an empty
// log beside it.  The check itself (src/qc) reads RINEX only.
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include <zlib.h>

#include "cli_support.h"
#include "commands.h"
#include "conversion_checks.h"
#include "crinex/crinex.h"
#include "convert_log.h"
#include "qc/qc_report.h"
#include "qc/qc_run.h"
#include "rinex/fields.h"
#include "temp_files.h"
#include "textio/line_source.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::cli {
namespace {

constexpr const char* kCommand = "qc";

constexpr const char* kUsage =
    "usage: zer2ivi qc INPUT [--nav NAV] [--mask DEGREES] [--position X,Y,Z] [--force] [--json]\n"
    "                  [--html FILE]\n";

constexpr const char* kHelp =
    "Checks an observation file: completeness, gaps, cycle slips and multipath.\n"
    "INPUT is a RINEX observation file (plain, .gz or .Z; Compact RINEX too) or a\n"
    "binary observation file; a binary file needs --nav with its ephemeris file.\n"
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

constexpr std::string_view kRinexLabel = "RINEX VERSION / TYPE";
constexpr size_t kLabelColumn = 60;
constexpr const char* kTempPrefix = ".zer2ivi-qc-";

struct QcRequest {
    std::string input;
    std::optional<std::string> nav;
    double mask = qc::kDefaultMaskDegrees;
    bool maskGiven = false;
    bool force = false;
    std::optional<qc::Vector3> position;
    bool json = false;
    std::optional<std::string> html;
};

// Numbers follow the toolkit's one rule (rinex::Parse_Decimal).
bool Parse_Real(std::string_view text, double& value) {
    const auto parsed = rinex::Parse_Decimal(text);
    if (parsed) value = *parsed;
    return parsed.has_value();
}

std::optional<std::string> Build_Request(const CommandLine& line, QcRequest& request) {
    if (line.positionals.size() != 1)
        return line.positionals.empty() ? "needs INPUT" : "too many arguments";
    request.input = line.positionals[0];
    request.nav = line.value("nav");
    request.force = line.has("force");
    if (auto mask = line.value("mask")) {
        request.maskGiven = true;
        if (!Parse_Real(*mask, request.mask) || request.mask < -90 || request.mask > 90)
            return "--mask '" + *mask + "': not an elevation in degrees (-90 to 90)";
    }
    if (auto position = line.value("position")) {
        const auto xyz = rinex::Parse_Triple(*position);
        const bool ok = xyz.has_value();
        if (!ok) return "--position '" + *position + "': not X,Y,Z in metres";
        request.position = qc::Vector3{(*xyz)[0], (*xyz)[1], (*xyz)[2]};
    }
    request.json = line.has("json");
    request.html = line.value("html");
    if (request.html && request.html->empty()) return std::string("--html needs a file name");
    for (const std::optional<std::string>& input : {std::optional<std::string>(request.input), request.nav})
        if (request.html && input && Same_File(*request.html, *input))
            return "--html '" + *request.html + "' is the input file '" + *input + "'";
    return std::nullopt;
}

// The first line of a file, through zlib so that a gzip file shows its text.
std::string First_Line(const std::string& path) {
    textio::TextSource source;
    std::string_view text, raw;
    if (!source.open(path) || source.next(text, raw) != textio::LineSource::Status::kLine) return {};
    return std::string(text);
}

// A RINEX file, plain or Compact RINEX (gzip and Unix compress read through).
bool Is_Rinex(const std::string& path) {
    const std::string line = First_Line(path);
    return crinex::Is_Compact_First_Line(line) ||
           (line.size() > kLabelColumn && line.compare(kLabelColumn, kRinexLabel.size(), kRinexLabel) == 0);
}

// A binary observation file with a header and no epoch: the library then
// converts only the ephemeris file.
std::optional<std::string> Write_Empty_Log(const std::string& path) {
    std::array<unsigned char, kZebHeaderSize> header{};
    header[0] = static_cast<unsigned char>(kZebHeaderSize & 0xFF);
    header[1] = static_cast<unsigned char>(kZebHeaderSize >> 8);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return "cannot write '" + path + "': " + std::strerror(errno);
    const bool written = std::fwrite(header.data(), 1, header.size(), out) == header.size();
    if (std::fclose(out) != 0 || !written) return "cannot write '" + path + "'";
    return std::nullopt;
}

// An ephemeris file in a text form into a RINEX navigation file: one library
// call with an empty log, then the records read back and checked as convert
// checks them (a record that cannot be a broadcast ephemeris is an error).
std::optional<std::string> Convert_Ephemeris(const std::string& ephemeris, const TempDirectory& work,
                                             FilesToRemove& scratch, const std::string& navOut) {
    const std::string log = work.file("empty.zeb");
    const std::string obsOut = work.file("empty.o");
    for (const std::string& file : {log, obsOut, navOut}) scratch.add(file);
    if (auto error = Write_Empty_Log(log)) return error;
    ObsSettings obs;
    NavSettings nav;
    Start_Settings(obs, nav, std::nullopt);
    const bool fits = Copy_Field(obs.zebFileName, sizeof obs.zebFileName, log) &&
                      Copy_Field(obs.rinexObsFileName, sizeof obs.rinexObsFileName, obsOut) &&
                      Copy_Field(nav.ephemerisFileName, sizeof nav.ephemerisFileName, ephemeris) &&
                      Copy_Field(nav.rinexNavFileName, sizeof nav.rinexNavFileName, navOut);
    if (!fits) return std::string("a path is longer than 255 characters");
    obs.obsTypeMask = kAllObsTypes;
    if (Zeb_To_Rinex(&obs, &nav) != 0) {
        char message[ZER2IVI_MESSAGE_SIZE] = {};
        Get_Error_Str(message);
        return "NAV '" + ephemeris + "': " + message;
    }
    int64_t records = 0;
    std::optional<std::string> bad;
    const auto error = Read_Written_Nav(navOut, [&](int64_t index, const rinex::GpsEphemeris& record,
                                                   const rinex::RecordDamage& damage) {
        ++records;
        if (bad) return;
        if (auto problem = Record_Problem(record, damage))
            bad = "NAV '" + ephemeris + "': ephemeris " + std::to_string(index) +
                  " cannot be a GPS broadcast ephemeris: " + *problem;
    });
    if (error) return "cannot read back the navigation file " + *error;
    if (records == 0) return "NAV '" + ephemeris + "' holds no ephemeris";
    return bad;
}

// Writes text to path whole or not at all: a temporary file beside it,
// renamed when complete.
std::optional<std::string> Write_Whole(const std::string& path, const std::string& text) {
    const std::string directory = Directory_Of(path);
    const auto temporary = Create_Unique_File(directory, kTempPrefix, ".html");
    if (!temporary) return "cannot create a file in '" + directory + "': " + std::strerror(errno);
    FilesToRemove cleanup;
    cleanup.add(*temporary);
    std::FILE* out = std::fopen(temporary->c_str(), "wb");
    if (out == nullptr) return "cannot write '" + *temporary + "': " + std::strerror(errno);
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) return "cannot write '" + path + "' (disk full?)";
    if (auto reason = Replace_File(*temporary, path)) return "cannot write '" + path + "': " + *reason;
    cleanup.release();
    return std::nullopt;
}

}  // namespace

int Run_Qc(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (auto exitCode = Start_Command(kCommand, arguments, kOptions, kUsage, kHelp, line)) return *exitCode;
    QcRequest request;
    if (auto error = Build_Request(line, request)) return Usage_Error(kCommand, *error, kUsage);
    if (auto error = Check_Input_File("INPUT", request.input)) return File_Error(kCommand, *error);
    if (request.nav)
        if (auto error = Check_Input_File("NAV", *request.nav)) return File_Error(kCommand, *error);

    const bool binaryLog = Is_Binary_Log(request.input);
    const bool navIsRinex = request.nav && Is_Rinex(*request.nav);
    if (binaryLog && !request.nav)
        return Usage_Error(kCommand, "a binary observation file needs --nav with its ephemeris file", kUsage);
    if (binaryLog && navIsRinex)
        return Usage_Error(kCommand,
                           "a binary observation file needs its ephemeris file (tagged or plain form) as "
                           "--nav, not a RINEX navigation file",
                           kUsage);
    if (!binaryLog && !Is_Rinex(request.input))
        return File_Error(kCommand,
                          "INPUT '" + request.input + "' is neither a RINEX file nor a binary observation file");

    // The scratch files go before the directory that holds them.
    const bool convert = request.nav && !navIsRinex;
    std::optional<TempDirectory> work = convert ? TempDirectory::Create() : std::optional<TempDirectory>();
    FilesToRemove scratch;
    std::string observationPath = request.input;
    std::optional<std::string> navigationPath;
    if (request.nav && navIsRinex) navigationPath = *request.nav;
    if (convert) {
        if (!work) return File_Error(kCommand, std::string("cannot create a temporary directory: ") +
                                                   std::strerror(errno));
        navigationPath = work->file("converted.n");
        if (binaryLog) {
            // The whole conversion with every check convert makes.
            ConvertJob job;
            job.log = request.input;
            job.ephemeris = *request.nav;
            job.obsOutput = work->file("converted.o");
            job.navOutput = *navigationPath;
            for (const std::string& file : {*job.obsOutput, *job.navOutput}) scratch.add(file);
            const ConvertResult result = Convert_Log(job);
            for (const std::string& warning : result.warnings)
                std::fprintf(stderr, "zer2ivi qc: warning: %s\n", warning.c_str());
            if (!result.converted) return File_Error(kCommand, result.error);
            observationPath = *job.obsOutput;
        } else if (auto error = Convert_Ephemeris(*request.nav, *work, scratch, *navigationPath)) {
            return File_Error(kCommand, *error);
        }
    }

    qc::EphemerisStore store;
    if (navigationPath) {
        std::string error;
        if (!store.Load(*navigationPath, error)) return File_Error(kCommand, error);
        if (store.Size() == 0)
            return File_Error(kCommand, "NAV '" + *request.nav + "' holds no GPS ephemeris");
    }
    qc::QcRunOptions options;
    options.observationPath = observationPath;
    options.inputName = request.input;
    options.ephemerides = navigationPath ? &store : nullptr;
    options.position = request.position;
    options.maskDegrees = request.mask;
    options.maskGiven = request.maskGiven;
    options.force = request.force;
    qc::QcReport report;
    std::string error;
    if (!qc::Run_Quality_Check(options, report, error)) return File_Error(kCommand, error);
    for (const std::string& warning : report.warnings)
        std::fprintf(stderr, "zer2ivi qc: warning: %s\n", warning.c_str());

    if (request.html)
        if (auto failure = Write_Whole(*request.html, qc::Html_Report(report)))
            return File_Error(kCommand, *failure);
    if (request.json) {
        std::fputs(qc::Json_Report(report).c_str(), stdout);
    } else if (!request.html) {
        std::fputs(qc::Text_Summary(report).c_str(), stdout);
    }
    return std::fflush(stdout) == 0 ? kExitSuccess : kExitConversionFailed;
}

}  // namespace zer2ivi::cli
