#include "rinex/epoch_order.h"

#include <algorithm>

namespace zer2ivi::rinex {

bool EpochOrder::wasRead(Ticks time) const {
    for (const Stretch& s : read_)
        if (time >= s.start - kSameTime && time <= s.end + kSameTime) return true;
    return false;
}

EpochOrder::Verdict EpochOrder::add(Ticks time) {
    if (!any_) {
        any_ = true;
        previous_ = latest_ = time;
        read_.push_back({time, time});
        return Verdict::kNext;
    }
    // Only an epoch not after the latest one may fall where epochs were read.
    if (time <= latest_ && wasRead(time)) {
        ++repeats_;
        return Verdict::kRepeat;
    }
    const bool backward = time < previous_;
    const bool newStretch = backward || (longStep_ > 0 && time - previous_ > longStep_);
    if (newStretch) {
        if (read_.size() < kMaxStretches) read_.push_back({time, time});
    } else {
        read_.back().end = std::max(read_.back().end, time);
    }
    previous_ = time;
    if (backward) ++backwardJumps_;
    const Verdict verdict = time > latest_ ? Verdict::kNext : backward ? Verdict::kBackward : Verdict::kBehind;
    latest_ = std::max(latest_, time);
    return verdict;
}

}  // namespace zer2ivi::rinex
