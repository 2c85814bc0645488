// The interval of the data, the one rule every user of epoch times takes:
// the most frequent step between consecutive observation epochs, each step
// rounded half up to the millisecond, the smallest on a tie.  Steps of zero
// or below (time standing still or going backwards) are no interval.
// Fixed-size state: memory does not grow with the file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "rinex/gps_ticks.h"

namespace zer2ivi::rinex {

class IntervalEstimator {
public:
    void reset() { *this = IntervalEstimator{}; }
    // The time of the next observation epoch.
    void add(Ticks time);
    // Nothing before two epochs a positive step apart.
    std::optional<Ticks> interval() const;

    // A step rounded half up to the millisecond.
    static Ticks Round_Step(Ticks step);

private:
    // Further distinct steps (a file full of gaps of every length) cannot
    // be the most frequent one of a regular file.
    static constexpr size_t kSlots = 16;
    std::array<std::pair<Ticks, uint64_t>, kSlots> steps_{};
    size_t used_ = 0;
    std::optional<Ticks> last_;
};

}  // namespace zer2ivi::rinex
