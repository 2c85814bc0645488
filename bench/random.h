// The benchmark inputs' random numbers: splitmix64, small, fast and the same
// on every platform, so that every run times the same files.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace zer2ivi::bench {

struct Random {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9e3779b97f4a7c15u);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double between(double low, double high) { return low + (high - low) * unit(); }
    // Standard normal, by Box-Muller.
    double normal() {
        const double u = std::max(unit(), 1e-300);
        return std::sqrt(-2.0 * std::log(u)) * std::cos(2 * std::numbers::pi * unit());
    }
};

}  // namespace zer2ivi::bench
