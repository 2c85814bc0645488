// Reading RINEX 2.xx observation files of any producer, plain or gzip:
// the header once, then one epoch at a time into a record whose storage is
// made once and reused, so memory does not grow with the file.
//
// Everything read is also kept as text: the header's lines and each epoch's
// lines byte for byte, so that products can pass through what they do not
// change.
//
//   ObsReader reader;
//   if (!reader.open(path)) fail(reader.error());
//   ObsEpoch epoch;
//   while (reader.next(epoch) == ObsReader::Status::kEpoch) { ... }
//   if (!reader.error().empty()) fail(reader.error());
//
// Errors read "PATH:LINE: what" ("PATH: what" when no line is concerned).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rinex2/gps_ticks.h"
#include "rinex2/text_source.h"

namespace zer2ivi::rinex2 {

// Limits of what the reader holds.  RINEX 2.11 defines 27 observation types;
// an epoch of all systems in view has well under 100 satellites.
inline constexpr size_t kMaxObsTypes = 36;
inline constexpr size_t kMaxSatellites = 128;
inline constexpr size_t kTypesPerObsLine = 5;
inline constexpr size_t kMaxObsLinesPerSatellite =
    (kMaxObsTypes + kTypesPerObsLine - 1) / kTypesPerObsLine;
inline constexpr size_t kMaxSpecialRecords = 999;  // the I3 count of an event epoch
inline constexpr size_t kMaxHeaderLines = 10000;

// Epoch flags.
inline constexpr int kFlagOk = 0;
inline constexpr int kFlagPowerFailure = 1;
inline constexpr int kFlagCycleSlips = 6;
// 2 to 5 are events followed by special records (header lines).
inline bool Is_Event_Flag(int flag) { return flag >= 2 && flag <= 5; }

// One header line: the whole line as read, with its line end.
struct HeaderLine {
    std::string raw;
    std::string_view text() const;   // without the line end
    std::string_view label() const;  // columns 61-80, trailing blanks removed
};

// "TIME OF FIRST OBS" / "TIME OF LAST OBS".
struct HeaderTime {
    Ticks ticks = 0;
    std::string system;  // columns 49-51 trimmed ("GPS", "GLO", or empty)
};

struct ObsHeader {
    std::vector<HeaderLine> lines;  // every line up to END OF HEADER
    std::string lineEnd = "\n";     // that of the first line

    std::string versionText;  // columns 1-9 trimmed, e.g. "2.11"
    char satelliteSystem = ' ';  // column 41 of RINEX VERSION / TYPE
    std::string markerName;
    std::optional<std::array<double, 3>> approxPosition;
    std::optional<std::array<double, 3>> antennaDelta;  // H, E, N
    std::optional<Ticks> interval;
    std::optional<HeaderTime> firstObs;
    std::optional<HeaderTime> lastObs;

    size_t typeCount = 0;
    std::array<std::array<char, 2>, kMaxObsTypes> types{};  // "L1", "C1", ...

    // Index of a type ("P2") among types, or -1.
    int typeIndex(std::string_view code) const;
    // Index in lines of the first line with this label, or -1.
    int lineIndex(std::string_view label) const;
};

// One observation: F14.3 value, LLI and signal strength digits.
struct ObsValue {
    double value = 0.0;
    bool present = false;    // the value field was not blank
    uint8_t lli = 0;         // 0 when blank
    uint8_t strength = 0;    // 0 when blank

    // RINEX 2 writes a missing observation as blanks or as 0.0.
    bool hasValue() const { return present && value != 0.0; }
};

struct SatelliteObs {
    char system = 'G';  // as written; a blank means GPS and is given as 'G'
    bool systemBlank = false;
    uint8_t prn = 0;
    // Where the satellite's observation lines sit in the epoch's text.
    std::array<uint32_t, kMaxObsLinesPerSatellite> lineOffset{};
    std::array<uint16_t, kMaxObsLinesPerSatellite> lineLength{};  // line end excluded
};

class ObsEpoch {
public:
    ObsEpoch();

    bool hasTime = false;  // false only for an event epoch with a blank date
    Ticks time = 0;
    int flag = 0;
    // Satellites (flags 0, 1, 6) or special records (flags 2-5).
    size_t count = 0;
    std::optional<double> clockOffset;  // seconds, columns 69-80
    uint64_t firstLine = 0;             // line number of the epoch line
    size_t typeCount = 0;               // observation types of this epoch

    bool hasObservations() const { return !Is_Event_Flag(flag); }
    size_t satelliteCount() const { return hasObservations() ? count : 0; }
    const SatelliteObs& satellite(size_t index) const { return satellites_[index]; }
    const ObsValue& value(size_t satellite, size_t type) const {
        return values_[satellite * kMaxObsTypes + type];
    }

    // The epoch's lines as read, line ends included.
    std::string_view text() const { return std::string_view(text_.data(), textSize_); }

    // Sets bit 0 of the LLI digit of one observation in the text (a blank
    // becomes '1'; a line cut short before that column is filled out with
    // blanks).  The observation must be present.
    void setLossOfLock(size_t satellite, size_t type);

private:
    friend class ObsReader;
    bool append(std::string_view raw);

    std::vector<SatelliteObs> satellites_;
    std::vector<ObsValue> values_;
    std::vector<char> text_;
    size_t textSize_ = 0;
};

class ObsReader {
public:
    // Opens the file and reads its header; false with error() set.
    bool open(const std::string& path);

    const ObsHeader& header() const { return header_; }
    // Observation types in force for the next epoch: those of the header,
    // or of the last event epoch (flag 4) that gave new ones.
    size_t typeCount() const { return typeCount_; }
    const std::array<std::array<char, 2>, kMaxObsTypes>& types() const { return types_; }

    enum class Status { kEpoch, kEnd, kError };
    Status next(ObsEpoch& epoch);

    // Skipping the start of a file: until the first epoch dated at or after
    // `time`, next() passes over every epoch without returning it, and over
    // the observation lines without reading their values (their count is
    // still checked; event records are still read, for new types).  A fast
    // way to a time window; skippedEpochs() counts the observation epochs
    // passed over.
    void skipBefore(Ticks time) { skipBefore_ = time; }
    uint64_t skippedEpochs() const { return skipped_; }

    const std::string& error() const { return error_; }
    const std::string& path() const { return source_.path(); }
    // The error is the file ending inside an epoch, or a compressed file
    // cut short: the epochs before it were whole.
    bool endedShort() const { return endedShort_ || source_.endedShort(); }

private:
    bool fail(uint64_t line, const std::string& what);
    bool readHeader();
    bool parseHeaderLine(const HeaderLine& line);
    bool readTypes(std::string_view text, size_t& count,
                   std::array<std::array<char, 2>, kMaxObsTypes>& types, bool continuation);
    bool parseEpochLine(std::string_view text, ObsEpoch& epoch);
    bool readSatelliteList(std::string_view text, ObsEpoch& epoch, size_t first);
    bool readObservations(ObsEpoch& epoch);
    bool readSpecialRecords(ObsEpoch& epoch);
    bool skipObservations(const ObsEpoch& epoch);
    bool nextLine(std::string_view& text, std::string_view& raw, bool required,
                  const char* what);

    TextSource source_;
    ObsHeader header_;
    std::string error_;
    size_t typeCount_ = 0;
    std::array<std::array<char, 2>, kMaxObsTypes> types_{};
    size_t pendingTypes_ = 0;  // types announced but not yet listed
    std::optional<Ticks> skipBefore_;
    uint64_t skipped_ = 0;
    bool endedShort_ = false;
};

}  // namespace zer2ivi::rinex2
