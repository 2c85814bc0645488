// The stages between reading and writing a product: a time window, a
// decimation that keeps every loss of lock, header edits and the split into
// pieces.  Every stage has one interface and the maker applies them as a
// list; each looks at one epoch at a time and keeps fixed-size state only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rinex/obs_reader.h"

namespace zer2ivi::products {

using rinex::Ticks;

// Where an epoch goes: the start of its piece when the product is split.
struct EpochRoute {
    std::optional<Ticks> piece;
};

class ProductStage {
public:
    virtual ~ProductStage() = default;
    // Changes the product's header lines (new lines end with lineEnd).
    virtual void editHeader(std::vector<rinex::HeaderLine>& /*lines*/,
                            std::string_view /*lineEnd*/) const {}
    // false: the epoch is not written.  May change the epoch's LLI digits
    // or its route.
    virtual bool apply(rinex::ObsEpoch& /*epoch*/, EpochRoute& /*route*/) { return true; }
};

// Keeps the epochs with from <= time < to (either bound may be open).  An
// event epoch without a date goes with the epoch before it.
class WindowFilter final : public ProductStage {
public:
    WindowFilter(std::optional<Ticks> from, std::optional<Ticks> to) : from_(from), to_(to) {}
    bool keep(const rinex::ObsEpoch& epoch);
    bool apply(rinex::ObsEpoch& epoch, EpochRoute&) override { return keep(epoch); }

private:
    bool inside(Ticks time) const;
    std::optional<Ticks> from_;
    std::optional<Ticks> to_;
    bool lastInside_ = false;
    bool anyDated_ = false;
};

// Keeps the observation epochs whose time of week is a multiple of the
// interval within the tolerance, and all event epochs.  A loss-of-lock bit
// of a dropped epoch is carried to the same satellite and type in the next
// kept epoch where that observation has a value (not blank, not 0.0): its
// LLI digit is rewritten, nothing else.
class Decimator final : public ProductStage {
public:
    static constexpr Ticks kDefaultTolerance = 5 * rinex::kTicksPerMillisecond;

    // dataInterval, when known, tells which dropped epochs were meant for
    // the grid: those nearer to a multiple than half of it.
    explicit Decimator(Ticks interval, Ticks tolerance = kDefaultTolerance,
                       std::optional<Ticks> dataInterval = std::nullopt);
    // May change the LLI digits of an epoch it keeps.
    bool keep(rinex::ObsEpoch& epoch);
    bool apply(rinex::ObsEpoch& epoch, EpochRoute&) override { return keep(epoch); }

    // Observation epochs dropped although nearer to a multiple of the
    // interval than half the data's interval: outside the tolerance only.
    uint64_t droppedNearGrid() const { return nearGrid_; }

private:
    Ticks distanceToGrid(Ticks time) const;
    Ticks interval_;
    Ticks tolerance_;
    std::optional<Ticks> dataInterval_;
    uint64_t nearGrid_ = 0;
    std::vector<uint64_t> pending_;  // per satellite slot: a bit per type
};

// The length of a split's pieces, aligned to whole days, hours or
// quarter-hours of GPS time: its duration, its option text and the name of
// a piece (the RINEX name builder's short name for that length).
class PieceLength {
public:
    // "1d", "1h", "15m"; nothing for any other text.
    static std::optional<PieceLength> Parse(std::string_view text);

    Ticks duration() const { return duration_; }
    std::string_view text() const { return text_; }
    Ticks pieceStart(Ticks time) const;
    // "ssssddd0.yyo" (day), "ssssdddh.yyo" (hour, h = a...x) or
    // "ssssdddhmm.yyo" (quarter-hour, mm = 00, 15, 30, 45).
    std::string fileName(std::string_view station, Ticks start) const;
    friend bool operator==(const PieceLength&, const PieceLength&) = default;

private:
    PieceLength(std::string_view text, Ticks duration) : text_(text), duration_(duration) {}
    std::string_view text_;
    Ticks duration_;
};

// Routes each dated epoch to the piece that holds it; an undated event goes
// with the piece before it and is dropped before any dated epoch.
class Splitter final : public ProductStage {
public:
    explicit Splitter(PieceLength length) : length_(length) {}
    bool apply(rinex::ObsEpoch& epoch, EpochRoute& route) override;

private:
    PieceLength length_;
    std::optional<Ticks> current_;
};

// The RINEX 2 name of a piece (PieceLength::fileName).
std::string Piece_File_Name(std::string_view station, Ticks start, const PieceLength& length);

}  // namespace zer2ivi::products
