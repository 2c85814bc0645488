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

std::string Without_Gzip_Suffix(std::string name) {
    if (name.size() > kGzipSuffix.size() &&
        name.compare(name.size() - kGzipSuffix.size(), kGzipSuffix.size(), kGzipSuffix) == 0)
        name.resize(name.size() - kGzipSuffix.size());
    return name;
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
    const std::string obsFinal =
        output ? *output
               : (outputDirectory == "." ? std::string() : outputDirectory + "/") +
                     Without_Gzip_Suffix(File_Part(input));
    const Create_Temporary create = [&](const std::string& folder) {
        auto path = Create_Unique_File(folder, kTempPrefix, ".tmp");
        if (path) temporaries.add(*path);
        return path;
    };
    std::vector<StagedFile> files;
    bool usageError = false;
    if (auto error = Stage_Products(options, input, obsFinal, input, create, files, usageError)) {
        if (usageError) return Usage_Error(kCommand, *error, kUsage);
        std::fprintf(stderr, "zer2ivi %s: %s\n", kCommand, error->c_str());
        return kExitConversionFailed;
    }
    for (const StagedFile& file : files) {
        if (Same_File(file.final, input)) {
            std::fprintf(stderr, "zer2ivi %s: '%s' is the input file; nothing written\n", kCommand,
                         file.final.c_str());
            return kExitConversionFailed;
        }
    }
    for (const StagedFile& file : files) {
        if (auto error = Replace_File(file.temporary, file.final)) {
            std::fprintf(stderr, "zer2ivi %s: cannot rename %s to %s: %s\n", kCommand,
                         file.temporary.c_str(), file.final.c_str(), error->c_str());
            return kExitConversionFailed;
        }
    }
    temporaries.release();
    size_t written = 0;
    for (const StagedFile& file : files) {
        std::printf("%s: %zu epochs, %s to %s\n", file.final.c_str(), file.epochs,
                    rinex2::Format_Iso8601(file.first).c_str(),
                    rinex2::Format_Iso8601(file.last).c_str());
        written += file.epochs;
    }
    std::printf("%zu epochs written to %zu file%s\n", written, files.size(),
                files.size() == 1 ? "" : "s");
    return kExitSuccess;
}

}  // namespace zer2ivi::cli
