// The epoch and header model of observation files, and its reader of RINEX
// 2.xx files of any producer, plain or gzip (or bytes in memory): the
// header once, then one epoch at a time into a record whose storage is made
// once and reused, so memory does not grow with the file.
//
// The model is the version's: satellites are system-aware ids, observation
// types are three-character codes per system (RINEX 2's two-character
// codes are mapped at the reader, obs_codes.h), the header is its lines
// plus the set of records present and the records parsed.
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
#include <memory>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rinex/gps_ticks.h"
#include "rinex/header_records.h"
#include "rinex/obs_codes.h"
#include "crinex/crinex.h"
#include "textio/line_source.h"

namespace zer2ivi::rinex {

using textio::kMaxLineLength;
using textio::LineSource;

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
    std::optional<HeaderRecord> record() const { return Record_Of_Label(label()); }
};

// "TIME OF FIRST OBS" / "TIME OF LAST OBS".
struct HeaderTime {
    Ticks ticks = 0;
    std::string system;  // columns 49-51 trimmed ("GPS", "GLO", or empty)
};

// The observation types of one system, in the order of its values.
struct SystemTypes {
    size_t count = 0;
    std::array<ObsCode, kMaxObsTypes> codes{};
    // Index of a code, or -1.
    int indexOf(ObsCode code) const;
};

// One satellite's record of "PRN / # OF OBS" as the input has it.
struct PrnObsRecord {
    SatelliteId id;
    std::vector<uint32_t> counts;  // one per type; blanks are 0
};

struct ObsHeader {
    std::vector<HeaderLine> lines;  // every line up to END OF HEADER
    std::string lineEnd = "\n";     // that of the first line
    HeaderRecordSet records;        // the records present
    bool has(HeaderRecord record) const { return records.test(static_cast<size_t>(record)); }

    std::string versionText;  // columns 1-9 trimmed, e.g. "2.11"
    int major = 2;            // 2, 3 or 4 (RINEX 4 observation files are laid out as 3)
    bool lineLayout3() const { return major >= 3; }
    char satelliteSystem = ' ';  // column 41 of RINEX VERSION / TYPE
    std::string markerName;
    std::optional<std::array<double, 3>> approxPosition;
    std::optional<std::array<double, 3>> antennaDelta;  // H, E, N
    std::optional<Ticks> interval;
    std::optional<HeaderTime> firstObs;
    std::optional<HeaderTime> lastObs;

    std::optional<size_t> satelliteCount;  // # OF SATELLITES
    std::vector<PrnObsRecord> prnObs;      // PRN / # OF OBS, where readable

    // RINEX 2: one list of two-character codes for every system, as the
    // file writes them.
    size_t typeCount = 0;
    std::array<std::array<char, 2>, kMaxObsTypes> types{};  // "L1", "C1", ...
    // The types per system (kSystemLetters order) as three-character codes.
    std::array<SystemTypes, kSystemLetters.size()> systemTypes{};
    const SystemTypes& typesOf(char system) const;

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
    bool has(LliBit bit) const { return Has_Lli(lli, bit); }
};

struct SatelliteObs {
    char system = 'G';  // as written; a blank means GPS and is given as 'G'
    bool systemBlank = false;
    uint8_t prn = 0;
    SatelliteId id() const { return {system, prn}; }
    uint8_t typeCount = 0;  // the observation types of its system
    // Where the satellite's observation lines sit in the epoch's text.
    std::array<uint32_t, kMaxObsLinesPerSatellite> lineOffset{};
    std::array<uint16_t, kMaxObsLinesPerSatellite> lineLength{};  // line end excluded
};

// Where an observation epoch's time stands against the observation epoch
// before it.
enum class TimeOrder : uint8_t { kForward, kRepeated, kBackward };

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
    size_t typeCount = 0;  // observation types of this epoch (RINEX 3: of its largest system)

    // Flags 0 and 1: an epoch of observations (6 lists cycle slips, 2-5
    // are events).
    bool isObservationEpoch() const { return flag == kFlagOk || flag == kFlagPowerFailure; }
    // Flags 0, 1 and 6: the epoch's lines list satellites with values.
    bool hasObservations() const { return !Is_Event_Flag(flag); }
    // The observation types of one satellite's values.
    size_t typeCountOf(size_t satellite) const { return satellites_[satellite].typeCount; }
    // Observation epochs only: against the observation epoch before (the
    // first is kForward); previousTime is that epoch's time.
    TimeOrder order = TimeOrder::kForward;
    Ticks previousTime = 0;
    uint64_t previousLine = 0;
    size_t satelliteCount() const { return hasObservations() ? count : 0; }
    const SatelliteObs& satellite(size_t index) const { return satellites_[index]; }
    const ObsValue& value(size_t satellite, size_t type) const {
        return values_[satellite * kMaxObsTypes + type];
    }

    // The epoch's lines as read, line ends included.
    std::string_view text() const { return std::string_view(text_.data(), textSize_); }

    // Sets the loss-of-lock bit of the LLI digit of one observation in the text (a blank
    // becomes '1'; a line cut short before that column is filled out with
    // blanks).  The observation must be present.
    void setLossOfLock(size_t satellite, size_t type);

private:
    friend class ObsReader;
    bool append(std::string_view raw);
    bool lineLayout3_ = false;

    std::vector<SatelliteObs> satellites_;
    std::vector<ObsValue> values_;
    std::vector<char> text_;
    size_t textSize_ = 0;
};

class ObsReader {
public:
    // Opens the file and reads its header; false with error() set.  A
    // Compact RINEX file (told by its first line) is read through the
    // decoder of src/crinex, which hands out the plain lines.
    bool open(const std::string& path);
    // The same over bytes in memory (they must outlive the reader).
    bool openMemory(const std::string& name, std::string_view bytes);
    // The same over lines of another source (a decoding filter), which
    // must outlive the reader.
    bool openSource(LineSource& source);

    const ObsHeader& header() const { return header_; }
    // Observation types in force for the next epoch: those of the header,
    // or of the last event epoch (flag 4) that gave new ones.
    size_t typeCount() const { return typeCount_; }
    const std::array<std::array<char, 2>, kMaxObsTypes>& types() const { return types_; }
    // The same per system, as three-character codes.
    const SystemTypes& typesOf(char system) const;

    enum class Status { kEpoch, kEnd, kError };
    Status next(ObsEpoch& epoch);

    // Skipping the start of a file: until the first epoch dated at or after
    // `time`, next() passes over every epoch without returning it, and over
    // the observation lines without reading their values (their count is
    // still checked; event records are still read, for new types).  A fast
    // way to a time window; skippedEpochs() counts the observation epochs
    // passed over.
    void skipBefore(Ticks time) { skipBefore_ = time; }
    // Passes over every further epoch the same way (still checking each
    // and its time order): the fast way past the end of a window.
    void skipRest() { skipRest_ = true; }
    uint64_t skippedEpochs() const { return skipped_; }

    const std::string& error() const { return error_; }
    const std::string& path() const { return input_->path(); }

    // After kError: the file ends inside an epoch (or its compressed
    // stream is cut short).  Every epoch returned before is whole;
    // shortAtLine() is the line where the file ends short.
    bool endedShort() const { return endedShort_; }
    // The file opened is Compact RINEX (read through the decoder).
    bool isCompact() const { return input_ == &source_ && source_.isCompact(); }
    uint64_t shortAtLine() const { return shortAtLine_; }

    // "PATH:LINE: epoch T2 is before the epoch T1 of line N" or "...
    // epoch T repeats the epoch T of line N", for an epoch whose order is
    // not kForward (the words every command gives).
    std::string orderMessage(const ObsEpoch& epoch) const;
    // Observation epochs read so far (returned or passed over) whose time
    // stands still or goes backwards, and the message of the first.
    uint64_t repeatedEpochs() const { return repeated_; }
    uint64_t backwardJumps() const { return backward_; }
    const std::string& firstOrderProblem() const { return firstOrderProblem_; }

private:
    bool start();
    bool fail(uint64_t line, const std::string& what);
    bool readHeader();
    bool parseHeaderLine(const HeaderLine& line);
    bool readTypes(std::string_view text, size_t& count,
                   std::array<std::array<char, 2>, kMaxObsTypes>& types, bool continuation);
    bool parseEpochLine(std::string_view text, ObsEpoch& epoch);
    bool parseEpochLine3(std::string_view text, ObsEpoch& epoch);
    bool readSystemTypes(std::string_view text);
    bool readObservations3(ObsEpoch& epoch);
    bool readField(std::string_view field, ObsValue& value, uint64_t line, size_t type,
                   const SatelliteObs& sat);
    bool readSatelliteList(std::string_view text, ObsEpoch& epoch, size_t first);
    bool readObservations(ObsEpoch& epoch);
    bool readSpecialRecords(ObsEpoch& epoch);
    bool skipObservations(const ObsEpoch& epoch);
    bool nextLine(std::string_view& text, std::string_view& raw, bool required,
                  const char* what);

    crinex::ObservationLines source_;  // plain or compact, told by content
    LineSource* input_ = &source_;
    ObsHeader header_;
    bool endedShort_ = false;
    uint64_t shortAtLine_ = 0;
    std::optional<Ticks> lastObservationTime_;
    uint64_t lastObservationLine_ = 0;
    bool skipRest_ = false;
    uint64_t repeated_ = 0;
    uint64_t backward_ = 0;
    std::string firstOrderProblem_;
    std::string error_;
    size_t typeCount_ = 0;
    std::array<std::array<char, 2>, kMaxObsTypes> types_{};
    std::array<SystemTypes, kSystemLetters.size()> systemTypes_{};
    size_t pendingTypes_ = 0;  // types announced but not yet listed
    char pendingSystem_ = ' ';  // of SYS / # / OBS TYPES continuation lines
    size_t maxSystemTypes_ = 0;
    std::optional<Ticks> skipBefore_;
    uint64_t skipped_ = 0;
};

}  // namespace zer2ivi::rinex
