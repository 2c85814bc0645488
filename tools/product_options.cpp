#include "product_options.h"

#include "products/epoch_filters.h"
#include "textio/output_file.h"
#include "products/product_maker.h"
#include "rinex_names/rinex_names.h"
#include "rinex/fields.h"
#include "rinex_names.h"
#include "temp_files.h"

namespace zer2ivi::cli {

using products::HeaderEdits;
using rinex::Ticks;

namespace {

constexpr std::string_view kGzipSuffix = ".gz";

}  // namespace

bool ProductOptions::changesProduct() const {
    return !edits.empty() || from || to || interval || pieceLength;
}

void Add_Product_Option_Specs(std::vector<OptionSpec>& specs, bool forEdit) {
    for (const products::TextField& field : products::kTextFields)
        if (forEdit || !field.editOnly) specs.push_back({field.option, 0, true});
    for (const products::TripleField& field : products::kTripleFields)
        specs.push_back({field.option, 0, true});
    specs.push_back({"comment", 0, true, true});
    for (std::string_view name : {"from", "to", "interval", "tolerance", "split"})
        specs.push_back({name, 0, true});
    specs.push_back({"gzip", 0, false});
    specs.push_back({"hatanaka", 0, false});
    if (forEdit) specs.push_back({"no-hatanaka", 0, false});
}

std::string Product_Options_Help(bool forEdit) {
    std::string help;
    if (forEdit)
        help +=
            "      --marker TEXT            MARKER NAME (60 characters)\n"
            "      --observer TEXT          OBSERVER (20 characters)\n"
            "      --agency TEXT            AGENCY (40 characters)\n"
            "      --run-by TEXT            RUN BY of PGM / RUN BY / DATE (20 characters)\n";
    help +=
        "      --marker-number TEXT     MARKER NUMBER (20 characters)\n"
        "      --receiver-number TEXT   receiver serial number (20 characters)\n"
        "      --receiver-type TEXT     receiver type (20 characters)\n"
        "      --receiver-version TEXT  receiver firmware version (20 characters)\n"
        "      --antenna-number TEXT    antenna serial number (20 characters)\n"
        "      --antenna-type TEXT      antenna type and radome, e.g. \"TRM29659.00     NONE\"\n"
        "                               (20 characters)\n"
        "      --antenna-delta H,E,N    ANTENNA: DELTA H/E/N in metres\n"
        "      --position X,Y,Z         APPROX POSITION XYZ in metres (ECEF)\n"
        "      --comment TEXT           a COMMENT line after the first header line\n"
        "                               (60 characters; repeatable)\n"
        "      --from TIME, --to TIME   keep the epochs from TIME up to, not including, TIME\n"
        "                               (GPS time: 2005-01-20T01:00:00 or 2005-01-20 01:00:00,\n"
        "                               fractions allowed; 2005-01-20 for midnight; day of\n"
        "                               year 2005:020 or 2005:020:3600 with seconds of day)\n"
        "      --interval SECONDS       keep the epochs at multiples of SECONDS since the\n"
        "                               start of the GPS week; a whole multiple of the\n"
        "                               data's interval (else refused unless --force);\n"
        "                               loss-of-lock bits of dropped epochs move to the\n"
        "                               next kept one\n"
        "      --tolerance SECONDS      how far an epoch may lie from a multiple of\n"
        "                               --interval and be kept (default 0.005)\n"
        "      --split 1d|1h|15m        one file per day, hour or quarter-hour of GPS time,\n"
        "                               named ssssddd0.yyo, ssssdddh.yyo, ssssdddhmm.yyo\n"
        "      --gzip                   write gzip-compressed files (.gz appended)\n"
        "      --hatanaka               write Compact RINEX (.yyo -> .yyd, .rnx -> .crx)\n";
    if (forEdit)
        help +=
            "      --no-hatanaka            write plain RINEX (a Compact RINEX input is written\n"
            "                               as Compact RINEX otherwise)\n";
    help +=
        "Header records present are replaced in place, missing ones added.  TIME OF\n"
        "FIRST OBS, TIME OF LAST OBS, INTERVAL, # OF SATELLITES and PRN / # OF OBS are\n"
        "counted anew from the epochs written (where the input has them; TIME OF FIRST\n"
        "OBS always); all other lines stay as they were.\n";
    return help;
}

std::optional<std::string> Parse_Product_Options(const CommandLine& line, bool forEdit,
                                                 ProductOptions& options) {
    options = ProductOptions{};
    HeaderEdits& edits = options.edits;
    for (const products::TextField& field : products::kTextFields)
        if (forEdit || !field.editOnly)
            if (auto text = line.value(field.option)) edits.*field.member = *text;
    for (const products::TripleField& field : products::kTripleFields) {
        const auto text = line.value(field.option);
        if (!text) continue;
        edits.*field.member = rinex::Parse_Triple(*text);
        if (!(edits.*field.member))
            return "--" + std::string(field.option) + ": '" + *text + "' is not three numbers a,b,c";
    }
    edits.comments = line.values("comment");
    if (auto error = products::HeaderEditor::Check(edits)) return error;

    for (auto [name, target] : {std::pair{"from", &options.from}, std::pair{"to", &options.to}}) {
        const auto text = line.value(name);
        if (!text) continue;
        *target = rinex::Parse_Time_Option(*text);
        if (!*target)
            return std::string("--") + name + ": '" + *text +
                   "' is not a GPS time like 2005-01-20T01:00:00, 2005-01-20 or 2005:020";
    }
    if (options.from && options.to && *options.to <= *options.from)
        return "the window ends (--to " + *line.value("to") + ") before it starts (--from " +
               *line.value("from") + ")";
    if (auto text = line.value("interval")) {
        options.interval = rinex::Parse_Seconds(*text);
        if (!options.interval) return "--interval: '" + *text + "' is not a number of seconds";
        if (*options.interval <= 0) return "--interval: must be above 0 seconds";
    }
    if (auto text = line.value("tolerance")) {
        const auto tolerance = rinex::Parse_Seconds(*text);
        if (!tolerance) return "--tolerance: '" + *text + "' is not a number of seconds";
        options.tolerance = *tolerance;
    }
    if (options.interval && 2 * options.tolerance >= *options.interval)
        return "--tolerance: must be below half of --interval";
    if (auto text = line.value("split")) {
        options.pieceLength = products::PieceLength::Parse(*text);
        if (!options.pieceLength) return "--split: '" + *text + "' is not 1d, 1h or 15m";
    }
    options.gzip = line.has("gzip");
    if (line.has("hatanaka") && line.has("no-hatanaka"))
        return std::string("--hatanaka and --no-hatanaka exclude each other");
    if (line.has("hatanaka")) options.hatanaka = true;
    if (line.has("no-hatanaka")) options.hatanaka = false;
    options.force = line.has("force");
    return std::nullopt;
}

std::string Product_Station(const std::string& marker, const std::string& inputPath) {
    std::string stem = File_Stem(inputPath);
    // "bahr1620.04o.gz": the stem of the file inside.
    if (const size_t dot = stem.find('.'); dot != std::string::npos) stem.resize(dot);
    return Station_Designator(marker.find_first_not_of(' ') == std::string::npos ? stem : marker);
}

void Hatanaka_From_Output_Name(const std::string& output, ProductOptions& options) {
    if (!options.hatanaka) options.hatanaka = names::Names_Compact_Rinex(output);
}

std::string With_Gzip_Suffix(const std::string& path, bool gzip) {
    if (!gzip) return path;
    if (path.size() >= kGzipSuffix.size() &&
        path.compare(path.size() - kGzipSuffix.size(), kGzipSuffix.size(), kGzipSuffix) == 0)
        return path;
    return path + std::string(kGzipSuffix);
}

std::optional<std::string> Stage_Products(const ProductOptions& options, const std::string& obsFile,
                                          const std::string& obsFinal,
                                          const std::string& namedAfter,
                                          const Create_Temporary& createTemporary,
                                          std::vector<StagedFile>& files, bool& usageError,
                                          std::vector<std::string>* warnings) {
    products::ProductRequest request;
    request.input = obsFile;
    request.edits = options.edits;
    request.from = options.from;
    request.to = options.to;
    request.interval = options.interval;
    request.tolerance = options.tolerance;
    request.pieceLength = options.pieceLength;
    request.gzip = options.gzip;
    request.compact = options.hatanaka;
    request.force = options.force;
    request.historyNote = options.historyNote;
    const std::string directory = Directory_Of(obsFinal);
    request.finalPath = [&](const std::string& marker, std::optional<rinex::Ticks> pieceStart) {
        if (!pieceStart) return With_Gzip_Suffix(obsFinal, options.gzip);
        const std::string name = products::Piece_File_Name(Product_Station(marker, namedAfter),
                                                           *pieceStart, *options.pieceLength);
        return With_Gzip_Suffix(directory == "." ? name : directory + "/" + name, options.gzip);
    };
    request.createTemporary = [&](const std::string& finalPath) {
        return createTemporary(Directory_Of(finalPath));
    };
    products::ProductOutcome outcome;
    const bool made = products::Make_Products(request, outcome);
    if (warnings != nullptr)
        warnings->insert(warnings->end(), outcome.warnings.begin(), outcome.warnings.end());
    if (!made) {
        usageError = outcome.usageError;
        return outcome.error;
    }
    for (const products::ProductFile& file : outcome.files)
        files.push_back({file.temporary, file.final, file.epochs, file.first, file.last});
    return std::nullopt;
}

std::optional<std::string> Gzip_Copy(const std::string& from, const std::string& to) {
    textio::OutputFile output;
    std::string error;
    if (!output.open(to, true) || !textio::Append_File(output, from, error)) {
        if (error.empty()) error = output.error();
        output.close();
        return error;
    }
    if (!output.close()) return output.error();
    return std::nullopt;
}

}  // namespace zer2ivi::cli
