// zer2ivi edit: the product options on an existing RINEX 2 observation file
// (plain or gzip) of any producer.  The products are written under
// temporary names beside their destinations and renamed when all are
// complete.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli_support.h"
#include "commands.h"
#include "product_options.h"
#include "products/epoch_filters.h"
#include "products/product_maker.h"
#include "rinex2/gps_ticks.h"
#include "temp_files.h"

namespace zer2ivi::cli {
namespace {

constexpr const char* kCommand = "edit";

constexpr const char* kUsage =
    "usage: zer2ivi edit RINEXOBS [-o OUT | -d DIR] [header options] [--from TIME --to TIME]\n"
    "         [--interval SECONDS] [--split 1d|1h|15m] [--gzip]\n";

constexpr const char* kHelpIntro =
    "Writes a RINEX 2 observation file (plain or .gz, from any producer) anew with\n"
    "other header metadata, a time window, fewer epochs, or split into pieces.\n"
    "\n"
    "  -o, --output PATH            the file to write\n"
    "  -d, --directory DIR          write into DIR: the input's file name, or with\n"
    "                               --split the pieces' names (default: current directory)\n";

constexpr const char* kHelpEnd =
    "Exit status: 0 written, 1 the file could not be read or written, 2 usage error.\n";

constexpr const char* kTempPrefix = ".zer2ivi-";
constexpr std::string_view kGzipSuffix = ".gz";

std::vector<OptionSpec> Edit_Options() {
    std::vector<OptionSpec> specs = {{"output", 'o', true}, {"directory", 'd', true}};
    Add_Product_Option_Specs(specs, true);
    return specs;
}

bool Is_Directory(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string Base_Name(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Directory_Part(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Without_Gzip_Suffix(std::string name) {
    if (name.size() > kGzipSuffix.size() &&
        name.compare(name.size() - kGzipSuffix.size(), kGzipSuffix.size(), kGzipSuffix) == 0)
        name.resize(name.size() - kGzipSuffix.size());
    return name;
}

bool Same_Path(const std::string& a, const std::string& b) {
    struct stat statusA {}, statusB {};
    if (stat(a.c_str(), &statusA) != 0 || stat(b.c_str(), &statusB) != 0) return false;
    return statusA.st_dev == statusB.st_dev && statusA.st_ino == statusB.st_ino;
}

}  // namespace

int Run_Edit(const std::vector<std::string>& arguments) {
    const std::vector<OptionSpec> specs = Edit_Options();
    const std::string help = std::string(kHelpIntro) + Product_Options_Help(true) + kHelpEnd;
    CommandLine line;
    if (auto exitCode = Start_Command(kCommand, arguments, specs, kUsage, help.c_str(), line))
        return *exitCode;
    if (line.positionals.size() != 1)
        return Usage_Error(kCommand, line.positionals.empty() ? "needs RINEXOBS" : "too many arguments",
                           kUsage);
    ProductOptions options;
    if (auto error = Parse_Product_Options(line, true, options))
        return Usage_Error(kCommand, *error, kUsage);
    const std::string input = line.positionals[0];
    const auto output = line.value("output");
    const auto directory = line.value("directory");
    if (output && directory) return Usage_Error(kCommand, "-o and -d exclude each other", kUsage);
    if (output && options.pieceLength)
        return Usage_Error(kCommand, "--split writes several files: give -d DIR, not -o", kUsage);
    if (!output && !directory && !options.pieceLength)
        return Usage_Error(kCommand, "needs -o OUT or -d DIR", kUsage);
    if (output && output->empty()) return Usage_Error(kCommand, "-o: empty path", kUsage);
    if (auto error = Check_Input_File("RINEXOBS", input)) {
        std::fprintf(stderr, "zer2ivi %s: %s\n", kCommand, error->c_str());
        return kExitConversionFailed;
    }
    const std::string outputDirectory = directory.value_or(".");
    if (!output && !Is_Directory(outputDirectory)) {
        std::fprintf(stderr, "zer2ivi %s: -d '%s' is not a directory\n", kCommand,
                     outputDirectory.c_str());
        return kExitConversionFailed;
    }

    FilesToRemove temporaries;
    products::ProductRequest request;
    request.input = input;
    request.edits = options.edits;
    request.from = options.from;
    request.to = options.to;
    request.interval = options.interval;
    request.pieceLength = options.pieceLength;
    request.gzip = options.gzip;
    request.finalPath = [&](const std::string& marker, std::optional<rinex2::Ticks> pieceStart) {
        std::string path;
        if (output) {
            path = *output;
        } else {
            const std::string name =
                pieceStart ? products::Piece_File_Name(Product_Station(marker, input), *pieceStart,
                                                       *options.pieceLength)
                           : Without_Gzip_Suffix(Base_Name(input));
            path = outputDirectory == "." ? name : outputDirectory + "/" + name;
        }
        return With_Gzip_Suffix(path, options.gzip);
    };
    request.createTemporary = [&](const std::string& finalPath) -> std::optional<std::string> {
        auto path = Create_Unique_File(Directory_Part(finalPath), kTempPrefix, ".tmp");
        if (path) temporaries.add(*path);
        return path;
    };

    products::ProductOutcome outcome;
    if (!products::Make_Products(request, outcome)) {
        if (outcome.usageError) return Usage_Error(kCommand, outcome.error, kUsage);
        std::fprintf(stderr, "zer2ivi %s: %s\n", kCommand, outcome.error.c_str());
        return kExitConversionFailed;
    }
    for (const products::ProductFile& file : outcome.files) {
        if (Same_Path(file.final, input)) {
            std::fprintf(stderr, "zer2ivi %s: '%s' is the input file; nothing written\n", kCommand,
                         file.final.c_str());
            return kExitConversionFailed;
        }
    }
    for (const products::ProductFile& file : outcome.files) {
        if (std::rename(file.temporary.c_str(), file.final.c_str()) != 0) {
            std::fprintf(stderr, "zer2ivi %s: cannot rename %s to %s\n", kCommand,
                         file.temporary.c_str(), file.final.c_str());
            return kExitConversionFailed;
        }
    }
    temporaries.release();
    size_t written = 0;
    for (const products::ProductFile& file : outcome.files) {
        std::printf("%s: %zu epochs, %s to %s\n", file.final.c_str(), file.epochs,
                    rinex2::Format_Iso8601(file.first).c_str(),
                    rinex2::Format_Iso8601(file.last).c_str());
        written += file.epochs;
    }
    std::printf("%zu epochs written to %zu file%s (%zu read)\n", written, outcome.files.size(),
                outcome.files.size() == 1 ? "" : "s", outcome.epochsRead);
    return kExitSuccess;
}

}  // namespace zer2ivi::cli
