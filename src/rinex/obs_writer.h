// Writing the epoch model in the other RINEX version: the observation
// types a file of version 3.04 or 2.11 gets from its input's (with the
// tables of src/rinex3), each epoch's text in that version's layout, and
// the header records the version changes.  Values, LLI and signal strength
// digits are copied from the input's fields as they are: no number is
// reformatted and no flag is set.
//
//   const OutputTypes types = Plan_Version3(reader.header(), "");
//   EpochWriter writer(types);
//   std::string text;
//   while (reader.next(epoch) == ObsReader::Status::kEpoch) writer.write(epoch, text);
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rinex/obs_reader.h"

namespace zer2ivi::rinex {

inline constexpr std::string_view kVersion3Text = "3.04";
inline constexpr std::string_view kVersion2Text = "2.11";

// The observation types of the output, per system (kSystemLetters order),
// each with the index of the input type whose values it takes.
struct OutputTypes {
    int major = 3;  // 3: codes per system; 2: one list of version2 codes
    std::array<std::vector<ObsCode>, kSystemLetters.size()> codes;   // version 3
    std::vector<std::array<char, 2>> version2;                      // version 2
    // Per system, per output type: the input type's index, or -1 (blank).
    std::array<std::vector<int>, kSystemLetters.size()> source;
    // Input codes no output type takes, "G L1W" (system, blank, code).
    std::vector<std::string> dropped;
    // Systems whose satellites are left out of every epoch.
    std::string omitSystems;

    size_t countOf(char system) const;
    int sourceOf(char system, size_t type) const;
};

// Version 3 types of an input: its codes per system; a version 2 code the
// table does not know has no three-character code and is dropped.
OutputTypes Plan_Version3(const ObsHeader& header, std::string_view omitSystems);
// Version 2 types of an input: per system and band the preferred code of
// each version 2 code (rinex3::Select_Version2_Codes); the others dropped.
// The list is the union over the systems, in the order the systems first
// name each code.
OutputTypes Plan_Version2(const ObsHeader& header);

class EpochWriter {
public:
    explicit EpochWriter(const OutputTypes& types) : types_(types) {}
    // Replaces out with the epoch in the output's layout (line ends "\n").
    // Satellites of omitted systems or without output types are left out.
    void write(const ObsEpoch& epoch, std::string& out);
    // Satellite records left out because of omitSystems.
    uint64_t omittedRecords() const { return omitted_; }

private:
    void epochLine3(const ObsEpoch& epoch, size_t count, std::string& out) const;
    void epochLine2(const ObsEpoch& epoch, std::string& out) const;
    const OutputTypes& types_;
    std::vector<size_t> kept_;
    uint64_t omitted_ = 0;
};

// The header lines of the output from the (edited) input lines: RINEX
// VERSION / TYPE of the output version, the type records of that version
// for the systems written (systemsSeen, kSystemLetters order), the PGM /
// RUN BY / DATE date in the version 3 form, records the output version does
// not have left out.  The counted records (first and last epoch, interval,
// satellites, PRN / # OF OBS) are kept in a form that Product_Header then
// writes anew.
std::vector<HeaderLine> Convert_Header(const std::vector<HeaderLine>& lines,
                                       const OutputTypes& types, std::string_view systemsSeen,
                                       std::string_view lineEnd);

}  // namespace zer2ivi::rinex
