// The time order of observation epochs: one rule for the products and the
// quality check.  An epoch after the latest one read goes on.  An epoch at a
// time already read (within half a millisecond of a stretch of epochs read)
// repeats: it is dropped and the first one kept.  An epoch before the one
// before it, at a time not read yet, begins a backward jump; the epochs
// after it stay behind the latest one until time passes it again.
#pragma once

#include <cstdint>
#include <vector>

#include "rinex/gps_ticks.h"

namespace zer2ivi::rinex {

class EpochOrder {
public:
    enum class Verdict : uint8_t {
        kNext,      // after the latest epoch read
        kRepeat,    // at a time already read
        kBackward,  // before the epoch before it, at a time not read
        kBehind,    // after the epoch before it, still before the latest
    };

    // longStep: a step longer than this (a gap) begins a new stretch of
    // epochs read, so that a backward jump into the gap is no repeat; 0
    // when the interval is not known.
    explicit EpochOrder(Ticks longStep = 0) : longStep_(longStep) {}

    // The verdict on the next epoch; a repeat is not recorded as read.
    Verdict add(Ticks time);

    uint64_t repeats() const { return repeats_; }
    uint64_t backwardJumps() const { return backwardJumps_; }

private:
    struct Stretch {
        Ticks start, end;
    };
    static constexpr size_t kMaxStretches = 10000;
    static constexpr Ticks kSameTime = kTicksPerSecond / 2000;  // half a millisecond

    bool wasRead(Ticks time) const;

    Ticks longStep_;
    bool any_ = false;
    Ticks previous_ = 0, latest_ = 0;
    std::vector<Stretch> read_;
    uint64_t repeats_ = 0, backwardJumps_ = 0;
};

}  // namespace zer2ivi::rinex
