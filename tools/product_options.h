// The product options that `convert`, `edit` and `batch` share: header
// metadata, time window, decimation, splitting and gzip.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli_support.h"
#include "products/header_editor.h"
#include "rinex2/gps_ticks.h"

namespace zer2ivi::cli {

struct ProductOptions {
    products::HeaderEdits edits;
    std::optional<rinex2::Ticks> from;
    std::optional<rinex2::Ticks> to;
    std::optional<rinex2::Ticks> interval;
    std::optional<rinex2::Ticks> pieceLength;
    std::string pieceText;  // "1d", "1h" or "15m"
    bool gzip = false;

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

// Appends ".gz" when gzip is on and the name does not end with it.
std::string With_Gzip_Suffix(const std::string& path, bool gzip);

}  // namespace zer2ivi::cli
