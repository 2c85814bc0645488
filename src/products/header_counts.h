// What a product's header says about its epochs, counted from the epochs
// written: first and last epoch, interval, satellites and observations per
// satellite and type.  The counting table is fixed (every system letter by
// PRN 1-99), so memory does not grow with the file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rinex/header_records.h"
#include "rinex/interval_estimator.h"
#include "rinex/obs_reader.h"
#include "rinex/obs_writer.h"

namespace zer2ivi::products {

using rinex::Ticks;

class HeaderCounts {
public:
    HeaderCounts();
    void reset();
    // Counts an epoch; only observation epochs (flags 0 and 1) count.
    void add(const rinex::ObsEpoch& epoch);
    // Counts by the types of a product written in another version (which
    // must outlive the counts): per output type, satellites of omitted
    // systems left out.
    void countAs(const rinex::OutputTypes* types) { output_ = types; }
    // The systems of the satellites counted, kSystemLetters order.
    std::string systemsSeen() const;

    size_t epochs() const { return epochs_; }
    Ticks first() const { return first_; }
    Ticks last() const { return last_; }
    // The interval of the epochs counted (IntervalEstimator).
    std::optional<Ticks> interval() const { return interval_.interval(); }

    using Satellite = rinex::PrnCounts;
    // Satellites with at least one observation, by system (kSystems order)
    // and PRN.
    std::vector<Satellite> satellites() const;

private:
    size_t epochs_ = 0;
    Ticks first_ = 0;
    Ticks last_ = 0;
    rinex::IntervalEstimator interval_;
    std::vector<uint32_t> counts_;  // [system][prn][type]
    std::vector<uint8_t> seen_;     // [system][prn]
    std::vector<uint8_t> types_;    // [system][prn]: the types of its values
    const rinex::OutputTypes* output_ = nullptr;
};

// The product's header: the lines given (already edited) with TIME OF
// FIRST OBS, TIME OF LAST OBS, INTERVAL, # OF SATELLITES and PRN / # OF OBS
// written anew from counts, each in the form (columns, decimals, letters)
// of the line it replaces.  Records the lines lack stay absent, except TIME
// OF FIRST OBS, which RINEX 2 requires.  When counts give no interval,
// fallbackInterval (if any) is written.  Every other line is copied as it
// is.
std::string Product_Header(const std::vector<rinex::HeaderLine>& lines,
                           const HeaderCounts& counts, std::optional<Ticks> fallbackInterval,
                           std::string_view lineEnd);

}  // namespace zer2ivi::products
