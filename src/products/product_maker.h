// Making products from one RINEX 2 observation file: read -> the stages
// (header edits, window, decimation, split; epoch_filters.h) -> write, in
// one pass with flat memory.  Each product's
// epochs go to a body file first; its header, which needs their counts, is
// written when the product is complete, and the body copied behind it.
//
// Products are written under temporary names that the caller's function
// makes next to each final path; the caller renames them when everything
// it makes has succeeded (all or nothing).  On failure no file made here is
// left behind.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "products/epoch_filters.h"
#include "products/header_editor.h"
#include "rinex/gps_ticks.h"

namespace zer2ivi::products {

using rinex::Ticks;

struct ProductRequest {
    std::string input;  // RINEX 2 observation file, plain or gzip
    HeaderEdits edits;  // checked with HeaderEditor::Check
    std::optional<Ticks> from;
    std::optional<Ticks> to;
    std::optional<Ticks> interval;  // decimation
    Ticks tolerance = Decimator::kDefaultTolerance;
    std::optional<PieceLength> pieceLength;  // splitting
    bool gzip = false;
    // Compact RINEX (encoded at the output file, the type letter of each
    // final path set to match: ".yyd", ".crx") or plain (".yyo", ".rnx");
    // nothing: as the input is.
    std::optional<bool> compact;
    // Accepts an interval that is not a whole multiple of the data's (with
    // a warning), and a file whose time stands still (those epochs are
    // dropped, the first kept) or goes backwards (kept, and reported).
    bool force = false;
    // A COMMENT after PGM / RUN BY / DATE saying what was done; empty: none.
    std::string historyNote;
    // The fast way to a window: skip the epochs before `from` without
    // reading their values, and stop reading at the first epoch dated at or
    // after `to` (RINEX files are in time order).  Off, every epoch is read
    // and filtered; the products are the same.
    bool fastWindow = true;
    // The final path of a product from the MARKER NAME of its header and,
    // when split, the start of its piece.
    std::function<std::string(const std::string& marker, std::optional<Ticks> pieceStart)>
        finalPath;
    // A new empty file in the directory of a final path (nothing when none
    // can be made there, errno telling why).
    std::function<std::optional<std::string>(const std::string& finalPath)> createTemporary;
};

struct ProductFile {
    std::string temporary;
    std::string final;
    size_t epochs = 0;  // observation epochs written
    Ticks first = 0;
    Ticks last = 0;
};

struct ProductOutcome {
    std::vector<ProductFile> files;
    size_t epochsRead = 0;  // observation epochs read (or skipped) from the input
    std::string error;
    bool usageError = false;  // an option does not suit the file (interval not a multiple of its own)
    // What was kept although not all was right, one sentence each; the
    // caller prints them.
    std::vector<std::string> warnings;
    uint64_t droppedNearGrid = 0;  // Decimator::droppedNearGrid
    uint64_t repeatedEpochs = 0;   // dropped (time standing still)
    uint64_t backwardJumps = 0;    // kept (time going backwards)
    bool endedShort = false;       // the input ends inside an epoch
};

// true when every product was written; otherwise outcome.error says why and
// outcome.files is empty.  An input that ends inside an epoch (or a
// compressed stream cut short) gives the products of the whole epochs
// before it, and a warning with the line where it ends.
bool Make_Products(const ProductRequest& request, ProductOutcome& outcome);

}  // namespace zer2ivi::products
