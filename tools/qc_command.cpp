// zer2ivi qc: the quality check of a RINEX 2 observation file or a binary
// log.  A binary log is converted first, in a private temporary directory,
// with its ephemeris file; an ephemeris file given with a RINEX observation
// file is turned into a RINEX navigation file the same way, with an empty
// log beside it.  The check itself (src/qc) reads RINEX only.
#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "cli_support.h"
#include "commands.h"
#include "qc/qc_report.h"
#include "qc/qc_run.h"
#include "temp_files.h"
#include "zeb_header_peek.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::cli {
namespace {

constexpr const char* kCommand = "qc";

constexpr const char* kUsage =
    "usage: zer2ivi qc INPUT [--nav NAV] [--mask DEGREES] [--position X,Y,Z] [--json] [--html FILE]\n";

constexpr const char* kHelp =
    "Checks an observation file: completeness, gaps, cycle slips and multipath.\n"
    "INPUT is a RINEX 2 observation file (plain or .gz) or a binary observation\n"
    "file; a binary file needs --nav with its ephemeris file.\n"
    "\n"
    "  --nav NAV          RINEX 2 navigation file, or an ephemeris file (tagged or\n"
    "                     plain form): elevations are known and the mask applies\n"
    "  --mask DEGREES     elevation mask (default 10)\n"
    "  --position X,Y,Z   receiver position, metres ECEF (default: the header's\n"
    "                     APPROX POSITION XYZ)\n"
    "  --json             print the figures as one JSON object\n"
    "  --html FILE        write the report with its plots to FILE\n"
    "\n"
    "Without --json or --html a text summary is printed.  Times are GPS time.\n"
    "Exit status: 0 checked, 1 an input could not be read, 2 usage error.\n";

const std::vector<OptionSpec> kOptions = {
    {"nav", 0, true}, {"mask", 0, true}, {"position", 0, true}, {"json", 0, false}, {"html", 0, true},
};

constexpr std::string_view kRinexLabel = "RINEX VERSION / TYPE";
constexpr size_t kLabelColumn = 60;
constexpr const char* kTempPrefix = ".zer2ivi-qc-";

struct QcRequest {
    std::string input;
    std::optional<std::string> nav;
    double mask = qc::kDefaultMaskDegrees;
    std::optional<qc::Vector3> position;
    bool json = false;
    std::optional<std::string> html;
};

bool Parse_Real(std::string_view text, double& value) {
    if (text.empty()) return false;
    // from_chars also takes "inf", "nan" and hexadecimal forms: digits only.
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    if (text.front() == '+') text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::optional<std::string> Build_Request(const CommandLine& line, QcRequest& request) {
    if (line.positionals.size() != 1)
        return line.positionals.empty() ? "needs INPUT" : "too many arguments";
    request.input = line.positionals[0];
    if (auto error = Check_Input_File("INPUT", request.input)) return error;
    request.nav = line.value("nav");
    if (request.nav)
        if (auto error = Check_Input_File("NAV", *request.nav)) return error;
    if (auto mask = line.value("mask")) {
        if (!Parse_Real(*mask, request.mask) || request.mask < -90 || request.mask > 90)
            return "--mask '" + *mask + "': not an elevation in degrees (-90 to 90)";
    }
    if (auto position = line.value("position")) {
        std::array<double, 3> xyz{};
        size_t start = 0;
        bool ok = true;
        for (size_t i = 0; i < 3 && ok; ++i) {
            const size_t comma = position->find(',', start);
            const bool last = i == 2;
            if (last != (comma == std::string::npos)) {
                ok = false;
                break;
            }
            const std::string_view part =
                std::string_view(*position).substr(start, last ? std::string::npos : comma - start);
            ok = Parse_Real(part, xyz[i]);
            start = comma + 1;
        }
        if (!ok) return "--position '" + *position + "': not X,Y,Z in metres";
        request.position = qc::Vector3{xyz[0], xyz[1], xyz[2]};
    }
    request.json = line.has("json");
    request.html = line.value("html");
    if (request.html && request.html->empty()) return std::string("--html needs a file name");
    return std::nullopt;
}

// The first line of a file, through zlib so that a gzip file shows its text.
std::string First_Line(const std::string& path) {
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) return {};
    char buffer[256] = {};
    const bool read = gzgets(file, buffer, sizeof buffer) != nullptr;
    gzclose(file);
    return read ? std::string(buffer) : std::string();
}

bool Is_Rinex(const std::string& path) {
    const std::string line = First_Line(path);
    return line.size() > kLabelColumn && line.compare(kLabelColumn, kRinexLabel.size(), kRinexLabel) == 0;
}

// A binary observation file with a header and no epoch: the library then
// converts only the ephemeris file.
bool Write_Empty_Log(const std::string& path) {
    std::array<unsigned char, kZebHeaderSize> header{};
    header[0] = static_cast<unsigned char>(kZebHeaderSize & 0xFF);
    header[1] = static_cast<unsigned char>(kZebHeaderSize >> 8);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    out.close();
    return static_cast<bool>(out);
}

// One library call into the temporary directory.  false after printing why.
bool Convert(const std::string& log, const std::string& ephemeris, const std::string& obsOut,
             const std::string& navOut) {
    ObsSettings obs;
    NavSettings nav;
    Start_Settings(obs, nav, std::nullopt);
    const bool fits = Copy_Field(obs.zebFileName, sizeof obs.zebFileName, log) &&
                      Copy_Field(obs.rinexObsFileName, sizeof obs.rinexObsFileName, obsOut) &&
                      Copy_Field(nav.ephemerisFileName, sizeof nav.ephemerisFileName, ephemeris) &&
                      Copy_Field(nav.rinexNavFileName, sizeof nav.rinexNavFileName, navOut);
    if (!fits) {
        std::fprintf(stderr, "zer2ivi qc: a path is longer than 255 characters\n");
        return false;
    }
    obs.obsTypeMask = kAllObsTypes;
    std::string message;
    return Run_Conversion(obs, nav, message);
}

// Writes text to path whole or not at all: a temporary file beside it,
// renamed when complete.
std::optional<std::string> Write_Whole(const std::string& path, const std::string& text) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    const std::string directory = target.has_parent_path() ? target.parent_path().string() : ".";
    const auto temporary = Create_Unique_File(directory, kTempPrefix, ".html");
    if (!temporary) return "cannot create a file in '" + directory + "'";
    FilesToRemove cleanup;
    cleanup.add(*temporary);
    std::FILE* out = std::fopen(temporary->c_str(), "wb");
    if (out == nullptr) return "cannot write '" + *temporary + "'";
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) return "cannot write '" + path + "' (disk full?)";
    if (std::rename(temporary->c_str(), path.c_str()) != 0) return "cannot rename to '" + path + "'";
    cleanup.release();
    return std::nullopt;
}

}  // namespace

int Run_Qc(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (auto exitCode = Start_Command(kCommand, arguments, kOptions, kUsage, kHelp, line)) return *exitCode;
    QcRequest request;
    if (auto error = Build_Request(line, request)) return Usage_Error(kCommand, *error, kUsage);

    const bool binaryLog = Peek_Zeb_Header(request.input).has_value();
    const bool navIsRinex = request.nav && Is_Rinex(*request.nav);
    if (binaryLog && !request.nav)
        return Usage_Error(kCommand, "a binary observation file needs --nav with its ephemeris file", kUsage);
    if (binaryLog && navIsRinex)
        return Usage_Error(kCommand,
                           "a binary observation file needs its ephemeris file (tagged or plain form) as "
                           "--nav, not a RINEX navigation file",
                           kUsage);
    if (!binaryLog && !Is_Rinex(request.input)) {
        std::fprintf(stderr, "zer2ivi qc: '%s' is neither a RINEX file nor a binary observation file\n",
                     request.input.c_str());
        return kExitConversionFailed;
    }

    const bool convert = request.nav && !navIsRinex;
    std::optional<TempDirectory> work = convert ? TempDirectory::Create() : std::optional<TempDirectory>();
    std::string observationPath = request.input;
    std::optional<std::string> navigationPath;
    if (request.nav && navIsRinex) navigationPath = *request.nav;
    if (convert) {
        if (!work) {
            std::fprintf(stderr, "zer2ivi qc: cannot create a temporary directory\n");
            return kExitConversionFailed;
        }
        std::string log = request.input;
        if (!binaryLog) {
            log = work->file("empty.zeb");
            if (!Write_Empty_Log(log)) {
                std::fprintf(stderr, "zer2ivi qc: cannot write '%s'\n", log.c_str());
                return kExitConversionFailed;
            }
        }
        const std::string obsOut = work->file("converted.o");
        navigationPath = work->file("converted.n");
        if (!Convert(log, *request.nav, obsOut, *navigationPath)) return kExitConversionFailed;
        if (binaryLog) observationPath = obsOut;
    }

    qc::EphemerisStore store;
    if (navigationPath) {
        std::string error;
        if (!store.Load(*navigationPath, error)) {
            std::fprintf(stderr, "zer2ivi qc: %s\n", error.c_str());
            return kExitConversionFailed;
        }
        if (store.Size() == 0) {
            std::fprintf(stderr, "zer2ivi qc: NAV '%s' holds no GPS ephemeris\n", request.nav->c_str());
            return kExitConversionFailed;
        }
    }
    qc::QcRunOptions options;
    options.observationPath = observationPath;
    options.inputName = request.input;
    options.ephemerides = navigationPath ? &store : nullptr;
    options.position = request.position;
    options.maskDegrees = request.mask;
    qc::QcReport report;
    std::string error;
    if (!qc::Run_Quality_Check(options, report, error)) {
        std::fprintf(stderr, "zer2ivi qc: %s\n", error.c_str());
        return kExitConversionFailed;
    }

    if (request.html) {
        if (auto failure = Write_Whole(*request.html, qc::Html_Report(report))) {
            std::fprintf(stderr, "zer2ivi qc: %s\n", failure->c_str());
            return kExitConversionFailed;
        }
    }
    if (request.json) {
        std::fputs(qc::Json_Report(report).c_str(), stdout);
    } else if (!request.html) {
        std::fputs(qc::Text_Summary(report).c_str(), stdout);
    }
    return std::fflush(stdout) == 0 ? kExitSuccess : kExitConversionFailed;
}

}  // namespace zer2ivi::cli
