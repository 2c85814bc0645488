// The header records a user may set on a product: marker, receiver and
// antenna metadata, approximate position, comments.  A record the header
// has is replaced in place, field by field; a missing one is added where the
// usual RINEX 2.11 order puts it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "products/epoch_filters.h"
#include "rinex/obs_reader.h"

namespace zer2ivi::products {

struct HeaderEdits {
    std::optional<std::string> marker;
    std::optional<std::string> markerNumber;
    std::optional<std::string> observer;
    std::optional<std::string> agency;
    std::optional<std::string> runBy;
    std::optional<std::string> receiverNumber;
    std::optional<std::string> receiverType;
    std::optional<std::string> receiverVersion;
    std::optional<std::string> antennaNumber;
    std::optional<std::string> antennaType;
    std::optional<std::array<double, 3>> antennaDelta;  // H, E, N metres
    std::optional<std::array<double, 3>> position;      // X, Y, Z metres
    std::vector<std::string> comments;

    bool empty() const;
};

// One text field of a header record, as the tool's options name it.
struct TextField {
    std::optional<std::string> HeaderEdits::*member;
    std::string_view option;  // without "--"
    std::string_view label;
    size_t column;  // 0-based
    size_t width;
    bool editOnly;  // offered by `edit` only (`convert` sets it otherwise)
};
extern const std::array<TextField, 10> kTextFields;

// Three numbers of a record (3F14.4).
struct TripleField {
    std::optional<std::array<double, 3>> HeaderEdits::*member;
    std::string_view option;
    std::string_view label;
};
extern const std::array<TripleField, 2> kTripleFields;

inline constexpr size_t kCommentWidth = 60;
inline constexpr size_t kTripleWidth = 14;
inline constexpr int kTripleDecimals = 4;

// Sets the records of HeaderEdits in a header's lines.
class HeaderEditor final : public ProductStage {
public:
    explicit HeaderEditor(HeaderEdits edits) : edits_(std::move(edits)) {}

    // Checks that every text is printable ASCII and fits its columns and
    // that every number fits F14.4: the error text names the option.
    static std::optional<std::string> Check(const HeaderEdits& edits);

    // Applies checked edits to header lines (those of ObsHeader::lines).
    // New and changed lines end with lineEnd.
    void apply(std::vector<rinex::HeaderLine>& lines, std::string_view lineEnd) const;
    void editHeader(std::vector<rinex::HeaderLine>& lines, std::string_view lineEnd) const override {
        apply(lines, lineEnd);
    }

private:
    HeaderEdits edits_;
};

// The trace a program leaves in a file it rewrote: one COMMENT line after
// PGM / RUN BY / DATE (kept as it was), or after the first line when there
// is none.  A note longer than a COMMENT ends with "...".
class HistoryNote final : public ProductStage {
public:
    explicit HistoryNote(std::string note) : note_(std::move(note)) {}
    void editHeader(std::vector<rinex::HeaderLine>& lines, std::string_view lineEnd) const override;

private:
    std::string note_;
};

// Puts a line into a header where the usual order puts its label: before
// the first record that comes later in that order (comments and unknown
// records do not count), at the latest before END OF HEADER.
void Insert_In_Usual_Order(std::vector<rinex::HeaderLine>& lines, rinex::HeaderLine line);

}  // namespace zer2ivi::products
