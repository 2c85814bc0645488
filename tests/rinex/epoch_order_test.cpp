// The one rule of time order shared by the products and the quality check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rinex/epoch_order.h"

namespace zer2ivi::rinex {
namespace {

TEST(EpochOrder, VerdictPerEpoch) {
    using V = EpochOrder::Verdict;
    struct Case {
        const char* name;
        Ticks longStep;
        std::vector<double> seconds;
        std::string verdicts;  // n next, r repeat, b backward, h behind
        uint64_t repeats, backwardJumps;
    };
    const Case cases[] = {
        {"in order", 45, {0, 30, 60}, "nnn", 0, 0},
        {"standing still", 45, {0, 30, 30, 60}, "nnrn", 1, 0},
        {"one stretch twice", 45, {0, 30, 60, 0, 30, 60, 90}, "nnnrrrn", 3, 0},
        {"halves swapped", 45, {60, 90, 0, 30, 120}, "nnbhn", 0, 1},
        {"back into a gap is no repeat", 45, {0, 30, 120, 150, 60, 90, 180}, "nnnnbhn", 0, 1},
        {"without an interval the gap is read", 0, {0, 30, 120, 150, 60, 90, 180}, "nnnnrrn", 2, 0},
        {"exactly half a millisecond off is the same time", 45, {0, 30, 120, 30.0005, 30.0006}, "nnnrb", 1, 1},
        {"after the latest is never a repeat", 45, {0, 30, 30.0004}, "nnn", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EpochOrder order(c.longStep * kTicksPerSecond);
        std::string verdicts;
        for (double s : c.seconds) {
            const V v = order.add(static_cast<Ticks>(s * 1e7 + (s >= 0 ? 0.5 : -0.5)));
            verdicts += v == V::kNext ? 'n' : v == V::kRepeat ? 'r' : v == V::kBackward ? 'b' : 'h';
        }
        EXPECT_EQ(verdicts, c.verdicts);
        EXPECT_EQ(order.repeats(), c.repeats);
        EXPECT_EQ(order.backwardJumps(), c.backwardJumps);
    }
}

}  // namespace
}  // namespace zer2ivi::rinex
