// The product options that `convert`, `edit` and `batch` share: header
// metadata, time window, decimation, splitting and gzip.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli_support.h"
#include "products/epoch_filters.h"
#include "products/header_editor.h"
#include "rinex/gps_ticks.h"

namespace zer2ivi::cli {

struct ProductOptions {
    products::HeaderEdits edits;
    std::optional<rinex::Ticks> from;
    std::optional<rinex::Ticks> to;
    std::optional<rinex::Ticks> interval;
    rinex::Ticks tolerance = products::Decimator::kDefaultTolerance;
    std::optional<products::PieceLength> pieceLength;
    bool gzip = false;
    // --hatanaka (true), --no-hatanaka (false): Compact RINEX or plain;
    // nothing: as the input is (see products::ProductRequest::compact).
    std::optional<bool> hatanaka;
    bool force = false;        // see products::ProductRequest::force
    std::string historyNote;   // see products::ProductRequest::historyNote

    // Whether the epochs or the header change (gzip alone changes neither).
    bool changesProduct() const;
};

// Adds the options' specifications to a command's list; the marker,
// observer, agency and run-by texts only when forEdit (convert has its own).
void Add_Product_Option_Specs(std::vector<OptionSpec>& specs, bool forEdit);

// Help text of the options (forEdit as above).
std::string Product_Options_Help(bool forEdit);

// Reads and checks the options; the error text for a usage error.
std::optional<std::string> Parse_Product_Options(const CommandLine& line, bool forEdit,
                                                 ProductOptions& options);

// Station designator of a product's file names: the marker name's first
// four letters and digits, or the input file's.
std::string Product_Station(const std::string& marker, const std::string& inputPath);

// An output name that names Compact RINEX (".yyd", ".crx") or plain RINEX
// (".yyo", ".rnx") chooses that form unless --hatanaka or --no-hatanaka did.
void Hatanaka_From_Output_Name(const std::string& output, ProductOptions& options);

// Appends ".gz" when gzip is on and the name does not end with it.
std::string With_Gzip_Suffix(const std::string& path, bool gzip);

// A product file: written under `temporary`, renamed to `final` at the end.
struct StagedFile {
    std::string temporary;
    std::string final;
    size_t epochs = 0;  // observation epochs, first and last (products only)
    rinex::Ticks first = 0;
    rinex::Ticks last = 0;
};

// Makes a new empty file in a directory (the command's temporary files).
using Create_Temporary = std::function<std::optional<std::string>(const std::string& directory)>;

// The products of a RINEX observation file, each staged beside its final
// name: obsFinal (".gz" added with --gzip), or with --split the pieces'
// names in obsFinal's directory, their station taken from the MARKER NAME
// or from the file name `namedAfter`.  The error text when they cannot be
// made; usageError when an option does not suit the file.  What was kept
// although not all was right goes to warnings (when given), a sentence each.
std::optional<std::string> Stage_Products(const ProductOptions& options, const std::string& obsFile,
                                          const std::string& obsFinal,
                                          const std::string& namedAfter,
                                          const Create_Temporary& createTemporary,
                                          std::vector<StagedFile>& files, bool& usageError,
                                          std::vector<std::string>* warnings = nullptr);

// Writes a gzip-compressed copy of a file; the error text.
std::optional<std::string> Gzip_Copy(const std::string& from, const std::string& to);

}  // namespace zer2ivi::cli
