#include "rinex/interval_estimator.h"

namespace zer2ivi::rinex {

Ticks IntervalEstimator::Round_Step(Ticks step) {
    const Ticks half = kTicksPerMillisecond / 2;
    const Ticks shifted = step + half;
    Ticks units = shifted / kTicksPerMillisecond;
    if (shifted % kTicksPerMillisecond < 0) --units;  // floor for negative steps
    return units * kTicksPerMillisecond;
}

void IntervalEstimator::add(Ticks time) {
    if (last_) {
        const Ticks step = Round_Step(time - *last_);
        size_t slot = 0;
        while (slot < used_ && steps_[slot].first != step) ++slot;
        if (slot < used_) {
            ++steps_[slot].second;
        } else if (used_ < kSlots) {
            steps_[used_++] = {step, 1};
        }
    }
    last_ = time;
}

std::optional<Ticks> IntervalEstimator::interval() const {
    std::optional<Ticks> best;
    uint64_t bestCount = 0;
    for (size_t i = 0; i < used_; ++i) {
        const auto [step, count] = steps_[i];
        if (step <= 0) continue;
        if (count > bestCount || (count == bestCount && step < *best)) {
            best = step;
            bestCount = count;
        }
    }
    return best;
}

}  // namespace zer2ivi::rinex
