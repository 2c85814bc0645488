// zer2ivi convert: turns the command line into one conversion job
// (job/conversion_job.h), runs it and reports.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_support.h"
#include "commands.h"
#include "job/conversion_job.h"
#include "job/batch.h"
#include "product_options.h"
#include "rinex_names/rinex_names.h"
#include "job/temp_files.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::cli {

using job::Convert_Log;
using job::ConvertJob;
using job::ConvertResult;
using job::Same_File;
using names::File_Stem;
using names::Rinex_File_Name;
using names::Station_Designator;
namespace {

constexpr const char* kCommand = "convert";

constexpr const char* kUsage =
    "usage: zer2ivi convert OBSFILE EPHEMERISFILE [-o RINEX_OBS] [-n RINEX_NAV] [options]\n"
    "       zer2ivi convert OBSFILE --no-nav [-o RINEX_OBS] [options]\n"
    "options: [--run-by TEXT] [--marker TEXT] [--observer TEXT] [--agency TEXT]\n"
    "         [--antenna-height METRES] [--types C1,L1,L2,P2,D1] [--gps-week N] [--force]\n"
    "         [-d DIR] [--from T] [--to T] [--interval S] [--split 1d|1h|15m] [--gzip] [--hatanaka]\n"
    "         [--rinex-version 2|3 [--station-id SSSSMRCCC]]\n"
    "         [--comment TEXT]... [header options]\n";

constexpr const char* kHelp =
    "Converts a binary observation file and a broadcast ephemeris file (tagged\n"
    "or plain form) into a RINEX 2 observation file and navigation file.\n"
    "\n"
    "  -o, --obs-file PATH      RINEX observation file to write\n"
    "  -n, --nav-file PATH      RINEX navigation file to write\n"
    "  -d, --directory DIR      where files without -o/-n go (default: current directory)\n"
    "      --no-nav             write only the observation file (no EPHEMERISFILE)\n"
    "      --run-by TEXT        RUN BY of both headers (default: the user name; 20 characters)\n"
    "      --marker TEXT        MARKER NAME (60 characters)\n"
    "      --observer TEXT      OBSERVER (20 characters)\n"
    "      --agency TEXT        AGENCY (40 characters)\n"
    "      --antenna-height M   antenna height H in metres (default 0)\n"
    "      --types LIST         observation types wanted, of C1,L1,L2,P2,D1 (default: all)\n"
    "      --gps-week N         GPS week of the first observation epoch.  It dates the\n"
    "                           observation epochs only; the navigation records keep\n"
    "                           their own weeks.  Default: the week of the fourth\n"
    "                           ephemeris in EPHEMERISFILE; with --no-nav, the week that\n"
    "                           puts the first epoch nearest the log's creation date\n"
    "      --force              write the files even when a check of the ephemerides or\n"
    "                           of the dates fails (each is then a warning)\n"
    "      --report-file FILE   also write the outcome to FILE as \"key value\" lines\n"
    "                           (converted, epochs, file, error; for batch's workers)\n"
    "\n"
    "Nothing is written unless everything succeeds: both files are made under\n"
    "temporary names in their directories and renamed at the end; an existing\n"
    "file at a destination stays as it was when the conversion fails.\n"
    "\n"
    "The ephemeris file is checked: it must hold GPS broadcast ephemerides (PRN\n"
    "1-32, sqrtA 5000-5300, eccentricity 0-0.1, toe 0-604800 s), at least four\n"
    "of them unless --gps-week is given, and lie within 6 hours of the epochs;\n"
    "the first epoch must be dated within 2 days of the log's creation date.\n"
    "\n"
    "Without -o/-n the files are named ssssdddf.yyo and ssssdddf.yyn in the current\n"
    "directory: ssss = the first four letters or digits of the marker name (or of\n"
    "OBSFILE's name), lower case, filled up with '_'; ddd = day of year and yy = year\n"
    "of the first epoch; f = 0.\n"
    "A log cut inside an epoch is converted up to the last whole epoch, with a\n"
    "warning naming the bytes that were not converted.  A requested observation\n"
    "type the log lacks is a warning when --types names it.\n"
    "With --split the pieces are named by their times, so -o cannot be given;\n"
    "every file written is printed, one per line.\n"
    "Every message begins 'zer2ivi convert: '; warnings (standard error)\n"
    "'zer2ivi convert: warning: '.  --version prints the version.\n"
    "Exit status: 0 converted, 1 conversion failed, 2 usage error.\n";

constexpr const char* kProductsHelp =
    "\n"
    "Products of the observation file (applied to it before anything is renamed):\n";

constexpr size_t kRunByColumns = 20;
constexpr size_t kMarkerColumns = 60;
constexpr size_t kObserverColumns = 20;
constexpr size_t kAgencyColumns = 40;

}  // namespace

job::NameFiles Conventional_Names() {
    return [](const std::string& marker, const std::string& log, int32_t year, int32_t month,
              int32_t day, char letter) {
        return Rinex_File_Name(Station_Designator(marker.empty() ? File_Stem(log) : marker), year,
                               month, day, letter);
    };
}

job::ProductStep Product_Step(const ProductOptions& options) {
    job::ProductStep step;
    step.stage = [options](const std::string& obsTemp, const std::string& obsFinal,
                           const std::string& namedAfter, const job::CreateTemporary& create,
                           std::vector<job::StagedFile>& files, bool& usageError,
                           std::vector<std::string>& warnings) {
        std::vector<StagedFile> staged;
        auto error = Stage_Products(options, obsTemp, obsFinal, namedAfter, create, staged,
                                    usageError, &warnings);
        for (const StagedFile& file : staged) files.push_back({file.temporary, file.final, file.epochs});
        return error;
    };
    step.navigation3 = options.rinexVersion == 3;
    if (options.gzip) {
        step.gzip = Gzip_Copy;
        step.gzipName = [](const std::string& name) { return With_Gzip_Suffix(name, true); };
    }
    return step;
}

namespace {

// Turns the command line into a job; the error text for a usage error.
std::optional<std::string> Build_Job(const CommandLine& line, ConvertJob& job) {
    job.noNav = line.has("no-nav");
    job.force = line.has("force");
    const size_t inputs = job.noNav ? 1 : 2;
    if (line.positionals.size() != inputs) {
        if (line.positionals.size() > inputs)
            return std::string(job.noNav ? "--no-nav takes OBSFILE only" : "too many arguments");
        return std::string(job.noNav ? "needs OBSFILE" : "needs OBSFILE and EPHEMERISFILE");
    }
    job.log = line.positionals[0];
    if (!job.noNav) job.ephemeris = line.positionals[1];

    job.obsOutput = line.value("obs-file");
    job.navOutput = line.value("nav-file");
    if (job.noNav && job.navOutput) return std::string("--no-nav writes no navigation file (-n)");
    for (const auto& output : {job.obsOutput, job.navOutput}) {
        if (!output) continue;
        if (output->empty()) return std::string("an output path is empty");
        if (output->size() >= sizeof(ObsSettings::rinexObsFileName))
            return "output path '" + *output + "' longer than 255 characters";
        for (const std::string& input : {job.log, job.ephemeris})
            if (!input.empty() && Same_File(*output, input))
                return "output '" + *output + "' is the input file '" + input + "'";
    }
    if (job.obsOutput && job.navOutput && Same_File(*job.obsOutput, *job.navOutput))
        return "-o and -n name the same file";
    if (job.obsOutput && line.has("split"))
        return std::string("-o names one file; --split writes pieces named by their times (use -d)");
    job.names = Conventional_Names();

    if (auto runBy = line.value("run-by")) {
        if (auto error = Check_Header_Text("--run-by", *runBy, kRunByColumns)) return error;
        job.texts.runBy = *runBy;
    } else {
        job.texts.runBy = Printable_Prefix(Current_User_Name(), kRunByColumns);
    }
    struct TextOption {
        const char* name;
        size_t columns;
        std::string* target;
    };
    for (const TextOption& option : {TextOption{"marker", kMarkerColumns, &job.texts.marker},
                                     TextOption{"observer", kObserverColumns, &job.texts.observer},
                                     TextOption{"agency", kAgencyColumns, &job.texts.agency}}) {
        const auto text = line.value(option.name);
        if (!text) continue;
        if (auto error = Check_Header_Text(std::string("--") + option.name, *text, option.columns))
            return error;
        *option.target = *text;
    }
    if (auto height = line.value("antenna-height"))
        if (auto error = Parse_Antenna_Height(*height, job.texts.antennaHeight)) return error;
    job.types = kAllObsTypes;
    if (auto types = line.value("types")) {
        if (auto error = Parse_Obs_Types(*types, job.types)) return error;
        job.typesNamed = true;
    }
    if (auto directory = line.value("directory")) {
        if (directory->empty()) return std::string("-d: empty path");
        job.outputDirectory = *directory;
    }
    ProductOptions products;
    if (auto error = Parse_Product_Options(line, false, products)) return error;
    if (products.rinexVersion == 2) products.rinexVersion.reset();  // the log's version
    if (products.rinexVersion == 3) {
        products.omitSystems = "R";
        products.omitReason =
            " (the log carries no GLONASS slot and frequency numbers, which RINEX 3 needs)";
        products.chooseName = !job.obsOutput;
    }
    if (job.obsOutput) Hatanaka_From_Output_Name(*job.obsOutput, products);
    if (products.changesProduct() || products.gzip || products.hatanaka.value_or(false))
        job.products = Product_Step(products);
    return Gps_Week_Option(line, job.gpsWeek);
}

}  // namespace

std::vector<OptionSpec> Convert_Option_Specs() {
    std::vector<OptionSpec> specs = {
        {"obs-file", 'o', true},     {"nav-file", 'n', true}, {"directory", 'd', true},
        {"run-by", 0, true},         {"marker", 0, true},     {"observer", 0, true},
        {"agency", 0, true},         {"antenna-height", 0, true}, {"types", 0, true},
        {"gps-week", 0, true},       {"no-nav", 0, false},    {"force", 0, false},
        {"report-file", 0, true},
    };
    Add_Product_Option_Specs(specs, false);
    return specs;
}

int Run_Convert(const std::vector<std::string>& arguments) {
    CommandLine line;
    const std::string help = std::string(kHelp) + kProductsHelp + Product_Options_Help(false);
    if (auto exitCode =
            Start_Command(kCommand, arguments, Convert_Option_Specs(), kUsage, help.c_str(), line))
        return *exitCode;
    ConvertJob job;
    if (auto error = Build_Job(line, job)) return Usage_Error(kCommand, *error, kUsage);
    if (line.value("directory")) {
        if (auto error = job::Make_Output_Directory(job.outputDirectory)) {
            std::fprintf(stderr, "zer2ivi convert: %s\n", error->c_str());
            return kExitConversionFailed;
        }
    }

    const ConvertResult result = Convert_Log(job);
    if (auto reportFile = line.value("report-file"))
        if (auto error = job::Write_Worker_Report(*reportFile, job::Report_Of(result, job.products.has_value())))
            std::fprintf(stderr, "zer2ivi convert: %s\n", error->c_str());
    for (const std::string& warning : result.warnings)
        std::fprintf(stderr, "zer2ivi convert: warning: %s\n", warning.c_str());
    if (!result.converted) {
        if (result.usageError) return Usage_Error(kCommand, result.error, kUsage);
        std::fprintf(stderr, "zer2ivi convert: %s\n", result.error.c_str());
        return kExitConversionFailed;
    }
    if (job.products) {
        size_t epochs = 0;
        for (size_t count : result.productEpochs) epochs += count;
        std::printf("SUCCESS: Converted %d epochs of %s\n", result.epochs, job.log.c_str());
        std::printf("products: %zu epochs in %zu observation file%s\n", epochs,
                    result.obsFiles.size(), result.obsFiles.size() == 1 ? "" : "s");
    } else {
        std::printf("SUCCESS: Wrote %d epochs to RINEX file %s\n", result.epochs,
                    result.obsFile.c_str());
    }
    for (const std::string& file : result.obsFiles) std::printf("observation file: %s\n", file.c_str());
    if (!result.navFile.empty()) std::printf("navigation file: %s\n", result.navFile.c_str());
    return kExitSuccess;
}

}  // namespace zer2ivi::cli
