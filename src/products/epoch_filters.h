// The stages between reading and writing a product: a time window and a
// decimation that keeps every loss of lock.  Each looks at one epoch at a
// time and keeps fixed-size state only.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "rinex2/obs_reader.h"

namespace zer2ivi::products {

using rinex2::Ticks;

// Keeps the epochs with from <= time < to (either bound may be open).  An
// event epoch without a date goes with the epoch before it.
class WindowFilter {
public:
    WindowFilter(std::optional<Ticks> from, std::optional<Ticks> to) : from_(from), to_(to) {}
    bool keep(const rinex2::ObsEpoch& epoch);

private:
    bool inside(Ticks time) const;
    std::optional<Ticks> from_;
    std::optional<Ticks> to_;
    bool lastInside_ = false;
    bool anyDated_ = false;
};

// Keeps the observation epochs whose time of week is a multiple of the
// interval within 1 ms, and all event epochs.  A loss-of-lock bit (LLI bit
// 0) of a dropped epoch is carried to the same satellite and type in the
// next kept epoch where that observation has a value (not blank, not 0.0):
// its LLI digit is
// rewritten, nothing else.
class Decimator {
public:
    explicit Decimator(Ticks interval);
    // May change the LLI digits of an epoch it keeps.
    bool keep(rinex2::ObsEpoch& epoch);

    static constexpr Ticks kTolerance = rinex2::kTicksPerMillisecond;

private:
    bool onGrid(Ticks time) const;
    Ticks interval_;
    std::vector<uint64_t> pending_;  // per system and PRN: a bit per type
};

// Pieces of a split, aligned to whole days, hours or quarter-hours of GPS
// time: "1d", "1h", "15m"; nothing for any other text.
std::optional<Ticks> Parse_Piece_Length(std::string_view text);
Ticks Piece_Start(Ticks time, Ticks length);

// The RINEX 2 name of a piece: "ssssddd0.yyo" (day), "ssssdddh.yyo" (hour,
// h = a...x) or "ssssdddhmm.yyo" (quarter-hour, mm = 00, 15, 30, 45).
std::string Piece_File_Name(std::string_view station, Ticks start, Ticks length);

}  // namespace zer2ivi::products
