// zer2ivi edit: the product options on an existing RINEX 2 observation file
// (plain or gzip) of any producer, or on standard input ("-").  The
// products are written under temporary names beside their destinations and
// renamed when all are complete (or copied to standard output for "-o -").

#include <cstdio>
#include <string>
#include <vector>

#include "cli_support.h"
#include "commands.h"
#include "product_options.h"
#include "rinex/gps_ticks.h"
#include "job/temp_files.h"

namespace zer2ivi::cli {

using job::Create_Unique_File;
using job::Directory_Of;
using job::File_Part;
using job::FilesToRemove;
using job::Replace_File;
using job::Same_File;
namespace {

constexpr const char* kCommand = "edit";

constexpr const char* kUsage =
    "usage: zer2ivi edit RINEXOBS|- [-o OUT|- | -d DIR] [header options] [--from TIME --to TIME]\n"
    "         [--interval SECONDS [--tolerance SECONDS]] [--split 1d|1h|15m] [--gzip]\n"
    "         [--hatanaka|--no-hatanaka] [--force] [--rinex-version 2|3 [--station-id SSSSMRCCC]]\n";

constexpr const char* kHelpIntro =
    "Writes a RINEX 2 observation file (plain or .gz, from any producer) anew with\n"
    "other header metadata, a time window, fewer epochs, or split into pieces.\n"
    "\n"
    "  -o, --output PATH            the file to write (a name ending in .gz implies\n"
    "                               --gzip; - writes to standard output)\n"
    "  -d, --directory DIR          write into DIR: the input's file name, or with\n"
    "                               --split the pieces' names (default: current directory)\n"
    "      --force                  accept an --interval that is not a whole multiple of\n"
    "                               the data's, and a file whose time stands still (those\n"
    "                               epochs dropped, the first kept) or goes backwards\n"
    "                               (kept); each with a warning\n"
    "RINEXOBS - reads standard input.  A file that ends inside an epoch gives the\n"
    "whole epochs before it, with a warning naming the line where it ends.  A\n"
    "changed product gets a COMMENT after PGM / RUN BY / DATE saying what was done.\n";

constexpr const char* kHelpEnd =
    "Exit status: 0 written, 1 the file could not be read or written, 2 usage error.\n";

constexpr const char* kTempPrefix = ".zer2ivi-";
constexpr std::string_view kGzipSuffix = ".gz";

std::vector<OptionSpec> Edit_Options() {
    std::vector<OptionSpec> specs = {
        {"output", 'o', true}, {"directory", 'd', true}, {"force", 0, false}};
    Add_Product_Option_Specs(specs, true);
    return specs;
}

// The name without a ".gz" or a Unix compress ".Z" after it.
std::string Without_Gzip_Suffix(std::string name) {
    for (std::string_view suffix : {kGzipSuffix, std::string_view(".Z")}) {
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            name.resize(name.size() - suffix.size());
            break;
        }
    }
    return name;
}

// What was done, for the COMMENT after PGM / RUN BY / DATE: the options
// as given, without the input and output names.
std::string History_Note(const CommandLine& line) {
    std::string note = std::string("zer2ivi ") + kCommand + ":";
    for (const ParsedOption& option : line.options) {
        // Where it went and how it is packed do not change what it holds.
        if (option.longName == "output" || option.longName == "directory" ||
            option.longName == "gzip" || option.longName == "hatanaka" ||
            option.longName == "no-hatanaka")
            continue;
        note += " --";
        note += option.longName;
        if (option.value.empty()) continue;  // a flag
        const bool quote = option.value.find(' ') != std::string::npos;
        note += quote ? " \"" + option.value + "\"" : " " + option.value;
    }
    return note;
}

bool Ends_With(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Copies a stream into an open file; false on a read or write error.
bool Copy_Stream(std::FILE* from, std::FILE* to) {
    std::vector<char> buffer(1 << 16);
    size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), from)) > 0)
        if (std::fwrite(buffer.data(), 1, got, to) != got) return false;
    return std::ferror(from) == 0;
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
    const std::string inputArgument = line.positionals[0];
    const bool fromStdin = inputArgument == "-";
    const auto output = line.value("output");
    const auto directory = line.value("directory");
    const bool toStdout = output && *output == "-";
    if (output && directory) return Usage_Error(kCommand, "-o and -d exclude each other", kUsage);
    if (output && options.pieceLength)
        return Usage_Error(kCommand, "--split writes several files: give -d DIR, not -o", kUsage);
    if (!output && !directory && !options.pieceLength)
        return Usage_Error(kCommand, "needs -o OUT or -d DIR", kUsage);
    if (output && output->empty()) return Usage_Error(kCommand, "-o: empty path", kUsage);
    if (fromStdin && !output)
        return Usage_Error(kCommand, "standard input (-) needs -o OUT or -o -", kUsage);
    // A .gz name is a compressed file.
    if (output && !toStdout && Ends_With(*output, kGzipSuffix)) options.gzip = true;
    // A .yyd or .crx name is Compact RINEX, a .yyo or .rnx name plain.
    if (output && !toStdout) Hatanaka_From_Output_Name(*output, options);
    if (options.changesProduct()) options.historyNote = History_Note(line);
    options.chooseName = !output;
    if (!fromStdin) {
        if (auto error = Check_Input_File("RINEXOBS", inputArgument)) {
            std::fprintf(stderr, "zer2ivi %s: %s\n", kCommand, error->c_str());
            return kExitConversionFailed;
        }
    }
    const std::string outputDirectory = directory.value_or(".");
    if (auto error = output ? std::nullopt : job::Make_Output_Directory(outputDirectory)) {
        std::fprintf(stderr, "zer2ivi %s: %s\n", kCommand, error->c_str());
        return kExitConversionFailed;
    }

    FilesToRemove temporaries;
    const Create_Temporary create = [&](const std::string& folder) {
        auto path = Create_Unique_File(folder, kTempPrefix, ".tmp");
        if (path) temporaries.add(*path);
        return path;
    };
    // Standard input is read twice at most (the interval of the data may
    // need a pass of its own): it is staged in a file first.
    std::string input = inputArgument;
    if (fromStdin) {
        const auto staged = create(toStdout ? "." : Directory_Of(*output));
        std::FILE* file = staged ? std::fopen(staged->c_str(), "wb") : nullptr;
        const bool copied = file != nullptr && Copy_Stream(stdin, file);
        if (file == nullptr || std::fclose(file) != 0 || !copied) {
            std::fprintf(stderr, "zer2ivi %s: cannot stage standard input in a temporary file\n",
                         kCommand);
            return kExitConversionFailed;
        }
        input = *staged;
    }
    const std::string obsFinal =
        toStdout  ? std::string("zer2ivi-stdout")
        : output ? *output
                 : (outputDirectory == "." ? std::string() : outputDirectory + "/") +
                       Without_Gzip_Suffix(File_Part(input));
    std::vector<StagedFile> files;
    std::vector<std::string> warnings;
    bool usageError = false;
    const auto stageError =
        Stage_Products(options, input, obsFinal, input, create, files, usageError, &warnings);
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "zer2ivi %s: warning: %s\n", kCommand, warning.c_str());
    if (stageError) {
        if (usageError) return Usage_Error(kCommand, *stageError, kUsage);
        std::fprintf(stderr, "zer2ivi %s: %s\n", kCommand, stageError->c_str());
        return kExitConversionFailed;
    }
    if (toStdout) {
        std::FILE* product = std::fopen(files.front().temporary.c_str(), "rb");
        const bool copied = product != nullptr && Copy_Stream(product, stdout);
        if (product != nullptr) std::fclose(product);
        if (!copied || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "zer2ivi %s: cannot write to standard output\n", kCommand);
            return kExitConversionFailed;
        }
        return kExitSuccess;
    }
    for (const StagedFile& file : files) {
        if (!fromStdin && Same_File(file.final, input)) {
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
    if (fromStdin) std::remove(input.c_str());
    size_t written = 0;
    for (const StagedFile& file : files) {
        std::printf("%s: %zu epochs, %s to %s\n", file.final.c_str(), file.epochs,
                    rinex::Format_Iso8601(file.first).c_str(),
                    rinex::Format_Iso8601(file.last).c_str());
        written += file.epochs;
    }
    std::printf("%zu epochs written to %zu file%s\n", written, files.size(),
                files.size() == 1 ? "" : "s");
    return kExitSuccess;
}

}  // namespace zer2ivi::cli
