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

// What a product's name may be made of.
struct NameFacts {
    std::string marker;               // MARKER NAME of the product's header
    std::optional<Ticks> pieceStart;  // when split
    Ticks first = 0;                  // first and last observation epoch
    Ticks last = 0;
    std::optional<Ticks> interval;    // of the epochs written, else the header's
    int rinexVersion = 2;             // major version written
};

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
    // The RINEX version to write (2 or 3); nothing, or the input's major
    // version: the input's (RINEX 4 counts as 3).  Another version is
    // written from the model by rinex::EpochWriter.
    std::optional<int> rinexVersion;
    // Systems whose records a change of version leaves out, and why (the
    // end of the warning that counts them).
    std::string omitSystems;
    std::string omitReason;
    // The final path of a product (NameFacts).  Called when a product
    // starts (to learn its directory; first and last are then its first
    // epoch) and again when it is complete.
    std::function<std::string(const NameFacts& facts)> finalPath;
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
    // With force, by the one rule of time order (rinex/epoch_order.h): every
    // epoch at or before the latest one kept is dropped (the first kept).
    uint64_t repeatedEpochs = 0;   // dropped: at a time already read
    uint64_t backwardJumps = 0;    // time going backwards
    uint64_t behindEpochs = 0;     // dropped: before the latest epoch, not read before
    bool endedShort = false;       // the input ends inside an epoch
};

// true when every product was written; otherwise outcome.error says why and
// outcome.files is empty.  An input that ends inside an epoch (or a
// compressed stream cut short) gives the products of the whole epochs
// before it, and a warning with the line where it ends.
bool Make_Products(const ProductRequest& request, ProductOutcome& outcome);

}  // namespace zer2ivi::products
