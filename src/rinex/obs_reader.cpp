#include "rinex/obs_reader.h"

#include <algorithm>
#include <cstring>

#include "crinex/crinex.h"
#include "rinex/fields.h"
#include "rinex/obs_labels.h"

namespace zer2ivi::rinex {
namespace {

// Room for the longest epoch: an event epoch with the most special records,
// or the most satellites with the most observation lines, each line at the
// longest, plus blanks that filled-out LLI columns may add.  The longest
// line of an epoch: a RINEX 3 satellite line of kMaxObsTypes fields (3 + 16
// per field) with room to spare; a longer one is "epoch too long".
constexpr size_t kMaxRawLine = 640 + 2;
constexpr size_t kMaxEpochLines = std::max(
    1 + kMaxSpecialRecords,
    (kMaxSatellites + kSatellitesPerEpochLine - 1) / kSatellitesPerEpochLine +
        kMaxSatellites * kMaxObsLinesPerSatellite);
constexpr size_t kEpochTextCapacity =
    kMaxEpochLines * kMaxRawLine + kMaxSatellites * kMaxObsLinesPerSatellite * kLineColumns;

std::string To_String(std::string_view text) { return std::string(text); }

// Years, months... of the epoch line: I2 fields with blanks allowed before.
std::optional<int32_t> Small_Field(std::string_view line, size_t first, size_t width) {
    const auto value = Parse_Integer(Columns(line, first, width));
    if (!value || *value < 0 || *value > 99) return std::nullopt;
    return static_cast<int32_t>(*value);
}

std::optional<HeaderTime> Parse_Header_Time(std::string_view text) {
    // 5I6, F13.7, 5X, A3
    CalendarTime calendar;
    std::array<int32_t*, 5> parts = {&calendar.year, &calendar.month, &calendar.day,
                                     &calendar.hour, &calendar.minute};
    for (size_t i = 0; i < parts.size(); ++i) {
        const auto value = Parse_Integer(Columns(text, 6 * i, 6));
        if (!value || *value < 0 || *value > 9999) return std::nullopt;
        *parts[i] = static_cast<int32_t>(*value);
    }
    if (calendar.year < 100) calendar.year = Four_Digit_Year(calendar.year);
    const auto seconds = Parse_Seconds(Trim(Columns(text, 30, 13)));
    if (!seconds) return std::nullopt;
    calendar.secondTicks = *seconds;
    const auto ticks = Calendar_To_Ticks(calendar);
    if (!ticks) return std::nullopt;
    return HeaderTime{*ticks, To_String(Trim(Columns(text, 48, 3)))};
}

std::optional<std::array<double, 3>> Parse_Three(std::string_view text) {
    std::array<double, 3> values{};
    for (size_t i = 0; i < values.size(); ++i) {
        const auto value = Parse_Decimal(Columns(text, 14 * i, 14));
        if (!value) return std::nullopt;
        values[i] = *value;
    }
    return values;
}

// The three-character codes of every system from a RINEX 2 type list.
void Fill_System_Types(size_t count, const std::array<std::array<char, 2>, kMaxObsTypes>& types,
                       std::array<SystemTypes, kSystemLetters.size()>& systems) {
    for (size_t s = 0; s < kSystemLetters.size(); ++s) {
        systems[s].count = count;
        for (size_t t = 0; t < count; ++t)
            systems[s].codes[t] =
                From_Rinex2_Code(kSystemLetters[s], std::string_view(types[t].data(), 2))
                    .value_or(ObsCode{});
    }
}

// "PRN / # OF OBS" (3X,A1,I2,9I6, continuation 6X,9I6), read where it can
// be: the products write it anew, so a record that cannot be read is left
// out of the model, not an error.
void Add_Prn_Obs(std::string_view text, size_t typeCount, std::vector<PrnObsRecord>& records) {
    const std::string_view prn = Columns(text, 4, 2);
    const bool continuation = Is_Blank(Columns(text, 0, 6)) && !records.empty();
    if (!continuation) {
        const auto number = Parse_Integer(prn);
        if (!number || *number < 0 || *number > 99) return;
        const std::string_view letter = Columns(text, 3, 1);
        const char system = letter.empty() || letter[0] == ' ' ? 'G' : letter[0];
        records.push_back({{system, static_cast<uint8_t>(*number)}, {}});
    }
    std::vector<uint32_t>& counts = records.back().counts;
    for (size_t i = 0; i < kCountsPerHeaderLine && counts.size() < typeCount; ++i) {
        const auto count = Parse_Integer(Columns(text, 6 + 6 * i, 6));
        counts.push_back(count && *count > 0 && *count <= UINT32_MAX ? static_cast<uint32_t>(*count)
                                                                      : 0u);
    }
}

bool Is_System_Letter(char c) {
    return c == ' ' || c == 'G' || c == 'R' || c == 'S' || c == 'E' || c == 'C' || c == 'J' ||
           c == 'I' || c == 'M';
}


}  // namespace

// ---- header lines -----------------------------------------------------

std::string_view HeaderLine::text() const {
    std::string_view text(raw);
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    return text;
}

std::string_view HeaderLine::label() const {
    return Trim_Right(Columns(text(), kLabelColumn, kLineColumns - kLabelColumn));
}

int SystemTypes::indexOf(ObsCode code) const {
    for (size_t i = 0; i < count; ++i)
        if (codes[i] == code) return static_cast<int>(i);
    return -1;
}

const SystemTypes& ObsHeader::typesOf(char system) const {
    size_t index = kSystemLetters.find(system == ' ' ? 'G' : system);
    if (index == std::string_view::npos) index = 0;
    return systemTypes[index];
}

int ObsHeader::typeIndex(std::string_view code) const {
    for (size_t i = 0; i < typeCount; ++i)
        if (std::string_view(types[i].data(), 2) == code) return static_cast<int>(i);
    return -1;
}

int ObsHeader::lineIndex(std::string_view label) const {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].label() == label) return static_cast<int>(i);
    return -1;
}

// ---- epochs ----------------------------------------------------------

ObsEpoch::ObsEpoch()
    : satellites_(kMaxSatellites), values_(kMaxSatellites * kMaxObsTypes),
      text_(kEpochTextCapacity) {}

bool ObsEpoch::append(std::string_view raw) {
    if (raw.size() > text_.size() - textSize_) return false;
    std::memcpy(text_.data() + textSize_, raw.data(), raw.size());
    textSize_ += raw.size();
    return true;
}

void ObsEpoch::setLossOfLock(size_t satellite, size_t type) {
    SatelliteObs& sat = satellites_[satellite];
    ObsValue& observation = values_[satellite * kMaxObsTypes + type];
    observation.lli = With_Lli(observation.lli, LliBit::kLossOfLock);
    const size_t line = lineLayout3_ ? 0 : type / kTypesPerObsLine;
    const size_t column =
        lineLayout3_ ? kSatelliteIdWidth + type * kObsFieldWidth + kObsValueWidth
                     : (type % kTypesPerObsLine) * kObsFieldWidth + kObsValueWidth;
    const size_t offset = sat.lineOffset[line];
    const size_t length = sat.lineLength[line];
    if (column < length) {
        char& digit = text_[offset + column];
        digit = digit == ' ' ? '1'
                             : static_cast<char>('0' + With_Lli(static_cast<uint8_t>(digit - '0'),
                                                                LliBit::kLossOfLock));
        return;
    }
    // The line ends before the LLI column (trailing blanks left out): fill
    // it out up to the column.  Room for this was reserved.
    const size_t grow = column + 1 - length;
    const size_t tail = offset + length;
    std::memmove(text_.data() + tail + grow, text_.data() + tail, textSize_ - tail);
    std::memset(text_.data() + tail, ' ', grow - 1);
    text_[offset + column] = '1';
    textSize_ += grow;
    sat.lineLength[line] = static_cast<uint16_t>(column + 1);
    for (size_t s = 0; s < count; ++s)
        for (size_t l = 0; l < kMaxObsLinesPerSatellite; ++l)
            if (satellites_[s].lineOffset[l] > offset)
                satellites_[s].lineOffset[l] += static_cast<uint32_t>(grow);
}

// ---- reader ----------------------------------------------------------

bool ObsReader::fail(uint64_t line, const std::string& what) {
    error_ = input_->path() + ":" + std::to_string(line) + ": " + what;
    return false;
}

std::string ObsReader::orderMessage(const ObsEpoch& epoch) const {
    return input_->path() + ":" + std::to_string(epoch.firstLine) + ": epoch " +
           Format_Iso8601(epoch.time) +
           (epoch.order == TimeOrder::kRepeated ? " repeats" : " is before") + " the epoch " +
           Format_Iso8601(epoch.previousTime) + " of line " + std::to_string(epoch.previousLine);
}

bool ObsReader::nextLine(std::string_view& text, std::string_view& raw, bool required,
                         const char* what) {
    switch (input_->next(text, raw)) {
    case LineSource::Status::kLine:
        return true;
    case LineSource::Status::kError:
        error_ = input_->error();
        if (input_->endedShort()) {
            endedShort_ = true;
            shortAtLine_ = input_->lineNumber() + 1;
        }
        return false;
    case LineSource::Status::kEnd:
        break;
    }
    if (required) {
        endedShort_ = true;
        shortAtLine_ = input_->lineNumber() + 1;
        fail(shortAtLine_, std::string("end of file inside ") + what);
    }
    return false;
}

const SystemTypes& ObsReader::typesOf(char system) const {
    size_t index = kSystemLetters.find(system == ' ' ? 'G' : system);
    if (index == std::string_view::npos) index = 0;
    return systemTypes_[index];
}

bool ObsReader::start() {
    header_ = ObsHeader{};
    error_.clear();
    skipBefore_.reset();
    skipped_ = 0;
    typeCount_ = 0;
    pendingTypes_ = 0;
    endedShort_ = false;
    shortAtLine_ = 0;
    lastObservationTime_.reset();
    skipRest_ = false;
    repeated_ = backward_ = 0;
    firstOrderProblem_.clear();
    if (!readHeader()) {
        source_.close();
        return false;
    }
    return true;
}

bool ObsReader::open(const std::string& path) {
    input_ = &source_;
    if (!source_.open(path)) {
        header_ = ObsHeader{};
        error_ = source_.error();
        return false;
    }
    return start();
}

bool ObsReader::openMemory(const std::string& name, std::string_view bytes) {
    input_ = &source_;
    source_.openMemory(name, bytes);
    return start();
}

bool ObsReader::openSource(LineSource& source) {
    input_ = &source;
    return start();
}

bool ObsReader::readTypes(std::string_view text, size_t& count,
                          std::array<std::array<char, 2>, kMaxObsTypes>& types,
                          bool continuation) {
    const uint64_t line = input_->lineNumber();
    const std::string_view countField = Columns(text, 0, 6);
    size_t first = 0;
    if (!continuation || !Is_Blank(countField)) {
        const auto announced = Parse_Integer(countField);
        // No types at all is a file without observations, not an error.
        if (!announced || *announced < 0 || static_cast<size_t>(*announced) > kMaxObsTypes)
            return fail(line, "# / TYPES OF OBSERV: number of types '" + To_String(countField) +
                                  "' is not 0 to " + std::to_string(kMaxObsTypes));
        count = 0;
        pendingTypes_ = static_cast<size_t>(*announced);
    } else if (pendingTypes_ == 0) {
        return fail(line, "# / TYPES OF OBSERV: continuation line without a number of types");
    }
    first = count;
    const size_t onThisLine = std::min(kTypesPerHeaderLine, pendingTypes_);
    for (size_t i = 0; i < onThisLine; ++i) {
        const std::string_view code = Columns(text, 10 + 6 * i, 2);
        if (code.size() != 2 || code[0] == ' ' || code[1] == ' ')
            return fail(line, "# / TYPES OF OBSERV: type " + std::to_string(first + i + 1) +
                                  " missing or not two characters");
        if (!Is_Blank(Columns(text, 6 + 6 * i, 4)))
            return fail(line, "# / TYPES OF OBSERV: text between types");
        types[first + i] = {code[0], code[1]};
    }
    count = first + onThisLine;
    pendingTypes_ -= onThisLine;
    return true;
}

bool ObsReader::parseHeaderLine(const HeaderLine& header) {
    const uint64_t line = input_->lineNumber();
    const std::string_view label = header.label();
    const std::string_view text = header.text();
    if (const auto record = Record_Of_Label(label))
        header_.records.set(static_cast<size_t>(*record));
    const std::string_view pendingLabel = pendingSystem_ != ' ' ? kLabelSysObsTypes : kLabelTypes;
    if (pendingTypes_ > 0 && label != pendingLabel)
        return fail(line, To_String(pendingLabel) + ": " + std::to_string(pendingTypes_) +
                              " more types announced than listed");
    if (label == kLabelSysObsTypes && header_.lineLayout3()) return readSystemTypes(text);
    if (label == kLabelTypes) {
        return readTypes(text, header_.typeCount, header_.types, pendingTypes_ > 0);
    }
    if (label == kLabelMarkerName) {
        header_.markerName = To_String(Trim_Right(Columns(text, 0, 60)));
    } else if (label == kLabelApproxPosition) {
        header_.approxPosition = Parse_Three(text);
        if (!header_.approxPosition) return fail(line, "APPROX POSITION XYZ: not three numbers");
    } else if (label == kLabelAntennaDelta) {
        header_.antennaDelta = Parse_Three(text);
        if (!header_.antennaDelta) return fail(line, "ANTENNA: DELTA H/E/N: not three numbers");
    } else if (label == kLabelInterval) {
        header_.interval = Parse_Seconds(Trim(Columns(text, 0, 10)));
        if (!header_.interval)
            return fail(line, "INTERVAL: '" + To_String(Trim(Columns(text, 0, 10))) +
                                  "' is not a number of seconds");
    } else if (label == kLabelFirstObs || label == kLabelLastObs) {
        const auto time = Parse_Header_Time(text);
        if (!time) return fail(line, To_String(label) + ": not a valid date and time");
        (label == kLabelFirstObs ? header_.firstObs : header_.lastObs) = time;
    } else if (label == kLabelSatelliteCount) {
        const auto count = Parse_Integer(Columns(text, 0, 6));
        if (count && *count >= 0) header_.satelliteCount = static_cast<size_t>(*count);
    } else if (label == kLabelPrnObsCount) {
        Add_Prn_Obs(text, header_.typeCount, header_.prnObs);
    }
    return true;
}

bool ObsReader::readHeader() {
    std::string_view text, raw;
    if (!nextLine(text, raw, false, "the header")) {
        if (error_.empty()) error_ = input_->path() + ": empty file";
        return false;
    }
    HeaderLine first{To_String(raw)};
    if (first.label() != kLabelVersionType)
        return fail(1, "not a RINEX file (no RINEX VERSION / TYPE on the first line)");
    header_.versionText = To_String(Trim(Columns(text, 0, 9)));
    const auto version = Parse_Decimal(header_.versionText);
    if (!version || *version < 2.0 || *version >= 5.0)
        return fail(1, "RINEX version '" + header_.versionText + "' is not 2.xx, 3.0x or 4.0x");
    header_.major = static_cast<int>(*version);
    const std::string_view fileType = Columns(text, 20, 1);
    if (fileType != "O" && fileType != "o") {
        struct Kind {
            char letter;
            const char* name;
        };
        constexpr Kind kKinds[] = {{'N', "navigation"}, {'G', "GLONASS navigation"},
                                   {'H', "SBAS navigation"}, {'M', "meteorological"},
                                   {'C', "clock"}};
        for (const Kind& kind : kKinds)
            if (fileType.size() == 1 && fileType[0] == kind.letter)
                return fail(1, std::string("a RINEX ") + header_.versionText.substr(0, 1) + " " +
                                   kind.name + " file, not an observation file");
        return fail(1, "file type '" + To_String(fileType) + "' is not O (observation)");
    }
    const std::string_view system = Columns(text, 40, 1);
    header_.satelliteSystem = system.empty() ? ' ' : system[0];
    header_.lineEnd = raw.size() >= 2 && raw.substr(raw.size() - 2) == "\r\n" ? "\r\n" : "\n";
    header_.lines.push_back(std::move(first));

    for (;;) {
        if (!nextLine(text, raw, true, "the header (no END OF HEADER)")) return false;
        if (header_.lines.size() >= kMaxHeaderLines)
            return fail(input_->lineNumber(),
                        "header longer than " + std::to_string(kMaxHeaderLines) + " lines");
        header_.lines.push_back(HeaderLine{To_String(raw)});
        if (!parseHeaderLine(header_.lines.back())) return false;
        if (header_.lines.back().label() == kLabelEndOfHeader) break;
    }
    header_.records.set(static_cast<size_t>(HeaderRecord::kVersionType));
    if (header_.lineLayout3()) {
        if (!header_.has(HeaderRecord::kSysObsTypes))
            return fail(input_->lineNumber(), "header without SYS / # / OBS TYPES");
        typeCount_ = maxSystemTypes_;
        systemTypes_ = header_.systemTypes;
        return true;
    }
    if (!header_.has(HeaderRecord::kTypes))
        return fail(input_->lineNumber(), "header without # / TYPES OF OBSERV");
    typeCount_ = header_.typeCount;
    types_ = header_.types;
    Fill_System_Types(header_.typeCount, header_.types, header_.systemTypes);
    systemTypes_ = header_.systemTypes;
    return true;
}

bool ObsReader::readSystemTypes(std::string_view text) {
    const uint64_t line = input_->lineNumber();
    const std::string_view letter = Columns(text, 0, 1);
    if (pendingTypes_ == 0 || !Is_Blank(letter)) {
        if (pendingTypes_ > 0)
            return fail(line, "SYS / # / OBS TYPES: " + std::to_string(pendingTypes_) +
                                  " more types of " + std::string(1, pendingSystem_) +
                                  " announced than listed");
        const size_t index =
            letter.empty() ? std::string_view::npos : kSystemLetters.find(letter[0]);
        if (index == std::string_view::npos)
            return fail(line, "SYS / # / OBS TYPES: system '" + To_String(letter) + "' is not one of " +
                                  To_String(kSystemLetters));
        const std::string_view countField = Columns(text, 3, 3);
        const auto announced = Parse_Integer(countField);
        if (!announced || *announced < 0 || static_cast<size_t>(*announced) > kMaxObsTypes)
            return fail(line, "SYS / # / OBS TYPES: number of types '" + To_String(countField) +
                                  "' is not 0 to " + std::to_string(kMaxObsTypes));
        pendingSystem_ = letter[0];
        pendingTypes_ = static_cast<size_t>(*announced);
        header_.systemTypes[index].count = 0;
    }
    SystemTypes& types = header_.systemTypes[kSystemLetters.find(pendingSystem_)];
    const size_t onThisLine = std::min(kCodesPerHeaderLine, pendingTypes_);
    for (size_t i = 0; i < onThisLine; ++i) {
        const auto code = Parse_Obs_Code(Columns(text, 7 + 4 * i, 3));
        if (!code || !Is_Blank(Columns(text, 6 + 4 * i, 1)))
            return fail(line, "SYS / # / OBS TYPES: type " + std::to_string(types.count + 1) +
                                  " of " + std::string(1, pendingSystem_) +
                                  " missing or not three characters");
        types.codes[types.count++] = *code;
    }
    pendingTypes_ -= onThisLine;
    maxSystemTypes_ = std::max(maxSystemTypes_, types.count);
    return true;
}

bool ObsReader::parseEpochLine3(std::string_view text, ObsEpoch& epoch) {
    const uint64_t line = input_->lineNumber();
    if (text.empty() || text[0] != '>')
        return fail(line, "epoch record expected ('>' in column 1)");
    const std::string_view flag = Columns(text, kEpoch3FlagColumn, 1);
    if (flag.size() != 1 || flag[0] < '0' || flag[0] > '9')
        return fail(line, "epoch record: no flag in column 32");
    epoch.flag = flag[0] - '0';
    if (epoch.flag > kFlagCycleSlips)
        return fail(line, "epoch flag " + std::to_string(epoch.flag) + " is not 0 to 6");
    const auto count = Parse_Integer(Columns(text, kEpoch3FlagColumn + 1, 3));
    if (!count || *count < 0)
        return fail(line, "epoch record: count '" + To_String(Columns(text, 32, 3)) +
                              "' is not a number");
    epoch.count = static_cast<size_t>(*count);
    const std::string_view date = Columns(text, 2, 27);
    epoch.hasTime = !Is_Blank(date);
    if (!epoch.hasTime && !Is_Event_Flag(epoch.flag)) return fail(line, "epoch record without a date");
    if (epoch.hasTime) {
        CalendarTime calendar;
        std::array<int32_t*, 5> parts = {&calendar.year, &calendar.month, &calendar.day,
                                         &calendar.hour, &calendar.minute};
        constexpr std::array<std::pair<size_t, size_t>, 5> kColumns = {
            {{2, 4}, {7, 2}, {10, 2}, {13, 2}, {16, 2}}};
        bool ok = true;
        for (size_t i = 0; i < parts.size() && ok; ++i) {
            const auto value = Parse_Integer(Columns(text, kColumns[i].first, kColumns[i].second));
            ok = value && *value >= 0 && *value <= 9999;
            if (ok) *parts[i] = static_cast<int32_t>(*value);
        }
        const auto seconds = Parse_Seconds(Trim(Columns(text, 18, 11)));
        std::optional<Ticks> ticks;
        if (ok && seconds) {
            calendar.secondTicks = *seconds;
            ticks = Calendar_To_Ticks(calendar);
        }
        if (!ticks)
            return fail(line, "epoch record: '" + To_String(Trim(date)) +
                                  "' is not a valid date and time");
        epoch.time = *ticks;
    }
    epoch.clockOffset.reset();
    if (epoch.hasObservations()) {
        if (epoch.count > kMaxSatellites)
            return fail(line, "epoch record: " + std::to_string(epoch.count) +
                                  " satellites, more than " + std::to_string(kMaxSatellites));
        const std::string_view clock = Columns(text, kEpoch3ClockColumn, 15);
        if (!Is_Blank(clock)) {
            epoch.clockOffset = Parse_Decimal(clock);
            if (!epoch.clockOffset)
                return fail(line, "epoch record: receiver clock offset '" + To_String(clock) +
                                      "' is not a number");
        }
    } else if (epoch.count > kMaxSpecialRecords) {
        return fail(line, "epoch record: more than " + std::to_string(kMaxSpecialRecords) +
                              " special records");
    }
    return true;
}

bool ObsReader::readObservations3(ObsEpoch& epoch) {
    std::string_view text, raw;
    for (size_t s = 0; s < epoch.count; ++s) {
        if (!nextLine(text, raw, true, "an epoch (observations missing)")) return false;
        const uint64_t line = input_->lineNumber();
        if (!text.empty() && text[0] == '>')
            return fail(line, "epoch record: " + std::to_string(epoch.count) +
                                  " satellites announced, " + std::to_string(s) + " listed");
        SatelliteObs& sat = epoch.satellites_[s];
        const std::string_view id = Columns(text, 0, kSatelliteIdWidth);
        const size_t system = id.empty() ? std::string_view::npos : kSystemLetters.find(id[0]);
        const auto prn = id.size() == kSatelliteIdWidth ? Parse_Integer(id.substr(1)) : std::nullopt;
        if (system == std::string_view::npos || !prn || *prn < 1 || *prn > 99 || id[1] == '-')
            return fail(line, "observation line: satellite '" + To_String(id) +
                                  "' is not a system letter and a number 1 to 99");
        sat.system = id[0];
        sat.systemBlank = false;
        sat.prn = static_cast<uint8_t>(*prn);
        const size_t types = systemTypes_[system].count;
        if (types == 0)
            return fail(line, "observation line: system " + std::string(1, id[0]) +
                                  " of " + To_String(id) + " is not in SYS / # / OBS TYPES");
        sat.typeCount = static_cast<uint8_t>(types);
        sat.lineOffset = {};
        sat.lineLength = {};
        sat.lineOffset[0] = static_cast<uint32_t>(epoch.textSize_);
        sat.lineLength[0] = static_cast<uint16_t>(text.size());
        if (!epoch.append(raw)) return fail(line, "epoch too long");
        if (!Is_Blank(Columns(text, kSatelliteIdWidth + types * kObsFieldWidth, kMaxLineLength)))
            return fail(line, "observation line of " + To_String(id) + ": more fields than the " +
                                  std::to_string(types) + " types of its system");
        for (size_t t = 0; t < types; ++t) {
            const std::string_view field =
                Columns(text, kSatelliteIdWidth + t * kObsFieldWidth, kObsFieldWidth);
            if (!readField(field, epoch.values_[s * kMaxObsTypes + t], line, t, sat)) return false;
        }
    }
    return true;
}

// One observation field: F14.3, then the LLI and signal strength digits.
bool ObsReader::readField(std::string_view field, ObsValue& value, uint64_t line, size_t type,
                          const SatelliteObs& sat) {
    const std::string_view number = Columns(field, 0, kObsValueWidth);
    value.present = !Is_Blank(number);
    value.value = 0.0;
    if (value.present) {
        const auto parsed = Parse_Decimal(number);
        if (!parsed)
            return fail(line, "observation " + std::to_string(type + 1) + " of " +
                                  std::string(1, sat.system) + std::to_string(sat.prn) + ": '" +
                                  To_String(number) + "' is not a number");
        value.value = *parsed;
    }
    const std::string_view lli = Columns(field, kObsValueWidth, 1);
    const std::string_view strength = Columns(field, kObsValueWidth + 1, 1);
    for (auto [digitText, target] :
         {std::pair{lli, &value.lli}, std::pair{strength, &value.strength}}) {
        const char c = digitText.empty() ? ' ' : digitText[0];
        if (c != ' ' && (c < '0' || c > '9'))
            return fail(line, "observation " + std::to_string(type + 1) +
                                  ": LLI or signal strength '" + std::string(1, c) +
                                  "' is not a digit");
        *target = static_cast<uint8_t>(c == ' ' ? 0 : c - '0');
    }
    return true;
}

bool ObsReader::parseEpochLine(std::string_view text, ObsEpoch& epoch) {
    const uint64_t line = input_->lineNumber();
    if (text.size() < kEpochSatelliteColumn || text[0] != ' ' ||
        !Is_Blank(Columns(text, 26, 2)) || text[28] < '0' || text[28] > '9')
        return fail(line, "epoch line expected (flag in column 29, count in columns 30-32)");
    epoch.flag = text[28] - '0';
    if (epoch.flag > kFlagCycleSlips)
        return fail(line, "epoch flag " + std::to_string(epoch.flag) + " is not 0 to 6");
    const auto count = Parse_Integer(Columns(text, 29, 3));
    if (!count || *count < 0)
        return fail(line, "epoch line: count '" + To_String(Columns(text, 29, 3)) +
                              "' is not a number");
    epoch.count = static_cast<size_t>(*count);

    const std::string_view date = Columns(text, 0, 26);
    epoch.hasTime = !Is_Blank(date);
    if (!epoch.hasTime && !Is_Event_Flag(epoch.flag))
        return fail(line, "epoch line without a date");
    if (epoch.hasTime) {
        CalendarTime calendar;
        const auto year = Small_Field(text, 1, 2);
        const auto month = Small_Field(text, 4, 2);
        const auto day = Small_Field(text, 7, 2);
        const auto hour = Small_Field(text, 10, 2);
        const auto minute = Small_Field(text, 13, 2);
        const auto seconds = Parse_Seconds(Trim(Columns(text, 15, 11)));
        std::optional<Ticks> ticks;
        if (year && month && day && hour && minute && seconds) {
            calendar.year = Four_Digit_Year(*year);
            calendar.month = *month;
            calendar.day = *day;
            calendar.hour = *hour;
            calendar.minute = *minute;
            calendar.secondTicks = *seconds;
            ticks = Calendar_To_Ticks(calendar);
        }
        if (!ticks)
            return fail(line, "epoch line: '" + To_String(date) + "' is not a valid date and time");
        epoch.time = *ticks;
    }

    epoch.clockOffset.reset();
    if (epoch.hasObservations()) {
        if (epoch.count > kMaxSatellites)
            return fail(line, "epoch line: " + std::to_string(epoch.count) +
                                  " satellites, more than " + std::to_string(kMaxSatellites));
        const std::string_view clock = Columns(text, kEpochClockColumn, 12);
        if (!Is_Blank(clock)) {
            epoch.clockOffset = Parse_Decimal(clock);
            if (!epoch.clockOffset)
                return fail(line, "epoch line: receiver clock offset '" + To_String(clock) +
                                      "' is not a number");
        }
    } else if (epoch.count > kMaxSpecialRecords) {
        return fail(line, "epoch line: more than " + std::to_string(kMaxSpecialRecords) +
                              " special records");
    }
    return true;
}

bool ObsReader::readSatelliteList(std::string_view text, ObsEpoch& epoch, size_t first) {
    const uint64_t line = input_->lineNumber();
    const size_t onThisLine = std::min(kSatellitesPerEpochLine, epoch.count - first);
    const std::string_view list = Columns(text, kEpochSatelliteColumn, 3 * kSatellitesPerEpochLine);
    for (size_t i = 0; i < onThisLine; ++i) {
        const std::string_view field = Columns(list, 3 * i, 3);
        if (field.size() < 3 || Is_Blank(field))
            return fail(line, "epoch line: " + std::to_string(epoch.count) +
                                  " satellites announced, " + std::to_string(first + i) +
                                  " listed");
        SatelliteObs& sat = epoch.satellites_[first + i];
        if (!Is_System_Letter(field[0]))
            return fail(line, "epoch line: satellite '" + To_String(field) +
                                  "': unknown system letter");
        const auto prn = Parse_Integer(field.substr(1));
        if (!prn || *prn < 1 || *prn > 99 || field[1] == '-')
            return fail(line, "epoch line: satellite '" + To_String(field) +
                                  "': number is not 1 to 99");
        sat.systemBlank = field[0] == ' ';
        sat.system = sat.systemBlank ? 'G' : field[0];
        sat.prn = static_cast<uint8_t>(*prn);
    }
    if (onThisLine < kSatellitesPerEpochLine && !Is_Blank(Columns(list, 3 * onThisLine, 36)))
        return fail(line, "epoch line: more satellites listed than the " +
                              std::to_string(epoch.count) + " announced");
    return true;
}

bool ObsReader::readObservations(ObsEpoch& epoch) {
    const size_t lines = (epoch.typeCount + kTypesPerObsLine - 1) / kTypesPerObsLine;
    std::string_view text, raw;
    for (size_t s = 0; s < epoch.count; ++s) {
        SatelliteObs& sat = epoch.satellites_[s];
        for (size_t l = 0; l < lines; ++l) {
            if (!nextLine(text, raw, true, "an epoch (observations missing)")) return false;
            const uint64_t line = input_->lineNumber();
            sat.lineOffset[l] = static_cast<uint32_t>(epoch.textSize_);
            sat.lineLength[l] = static_cast<uint16_t>(text.size());
            if (!epoch.append(raw)) return fail(line, "epoch too long");
            const size_t firstType = l * kTypesPerObsLine;
            const size_t typesHere = std::min(kTypesPerObsLine, epoch.typeCount - firstType);
            if (!Is_Blank(Columns(text, typesHere * kObsFieldWidth, kLineColumns)))
                return fail(line, "observation line: text after the " +
                                      std::to_string(typesHere) + " observations of the line");
            for (size_t t = 0; t < typesHere; ++t) {
                const std::string_view field = Columns(text, t * kObsFieldWidth, kObsFieldWidth);
                if (!readField(field, epoch.values_[s * kMaxObsTypes + firstType + t], line,
                               firstType + t, sat))
                    return false;
            }
        }
        sat.typeCount = static_cast<uint8_t>(epoch.typeCount);
        for (size_t l = lines; l < kMaxObsLinesPerSatellite; ++l) {
            sat.lineOffset[l] = 0;
            sat.lineLength[l] = 0;
        }
    }
    return true;
}

bool ObsReader::readSpecialRecords(ObsEpoch& epoch) {
    std::string_view text, raw;
    pendingTypes_ = 0;
    size_t newCount = 0;
    std::array<std::array<char, 2>, kMaxObsTypes> newTypes{};
    for (size_t i = 0; i < epoch.count; ++i) {
        if (!nextLine(text, raw, true, "an event epoch (special records missing)")) return false;
        if (!epoch.append(raw)) return fail(input_->lineNumber(), "epoch too long");
        // New observation types take effect from the next epoch.
        const std::string_view label =
            Trim_Right(Columns(text, kLabelColumn, kLineColumns - kLabelColumn));
        if (label == kLabelTypes) {
            if (!readTypes(text, newCount, newTypes, pendingTypes_ > 0)) return false;
        } else if (pendingTypes_ > 0) {
            return fail(input_->lineNumber(), "# / TYPES OF OBSERV: " +
                                                  std::to_string(pendingTypes_) +
                                                  " more types announced than listed");
        }
    }
    if (pendingTypes_ > 0)
        return fail(input_->lineNumber(), "# / TYPES OF OBSERV: " +
                                              std::to_string(pendingTypes_) +
                                              " more types announced than listed");
    if (newCount > 0) {
        typeCount_ = newCount;
        types_ = newTypes;
        Fill_System_Types(typeCount_, types_, systemTypes_);
    }
    return true;
}

bool ObsReader::skipObservations(const ObsEpoch& epoch) {
    const size_t lines =
        header_.lineLayout3()
            ? epoch.count
            : epoch.count * ((epoch.typeCount + kTypesPerObsLine - 1) / kTypesPerObsLine);
    std::string_view text, raw;
    for (size_t l = 0; l < lines; ++l)
        if (!nextLine(text, raw, true, "an epoch (observations missing)")) return false;
    return true;
}

ObsReader::Status ObsReader::next(ObsEpoch& epoch) {
    if (!error_.empty()) return Status::kError;
    std::string_view text, raw;
    for (;;) {
        // Blank lines between epochs (some writers end the file with one)
        // are skipped; they belong to no epoch.
        do {
            if (!nextLine(text, raw, false, ""))
                return error_.empty() ? Status::kEnd : Status::kError;
        } while (Is_Blank(text));
        epoch.textSize_ = 0;
        epoch.firstLine = input_->lineNumber();
        epoch.typeCount = typeCount_;
        epoch.lineLayout3_ = header_.lineLayout3();
        if (!(epoch.lineLayout3_ ? parseEpochLine3(text, epoch) : parseEpochLine(text, epoch))) {
            // The last line of a file cut short: its end is missing too.
            if (raw.empty() || raw.back() != '\n') {
                endedShort_ = true;
                shortAtLine_ = input_->lineNumber();
            }
            return Status::kError;
        }
        epoch.append(raw);
        epoch.order = TimeOrder::kForward;
        if (epoch.isObservationEpoch()) {
            if (lastObservationTime_) {
                epoch.previousTime = *lastObservationTime_;
                epoch.previousLine = lastObservationLine_;
                if (epoch.time < *lastObservationTime_) epoch.order = TimeOrder::kBackward;
                if (epoch.time == *lastObservationTime_) epoch.order = TimeOrder::kRepeated;
            }
            lastObservationTime_ = epoch.time;
            lastObservationLine_ = epoch.firstLine;
            if (epoch.order != TimeOrder::kForward) {
                ++(epoch.order == TimeOrder::kRepeated ? repeated_ : backward_);
                if (firstOrderProblem_.empty()) firstOrderProblem_ = orderMessage(epoch);
            }
        }
        if (skipBefore_ && epoch.hasTime && epoch.time >= *skipBefore_) skipBefore_.reset();
        const bool skipping = skipBefore_.has_value() || skipRest_;
        if (epoch.hasObservations() && epoch.lineLayout3_) {
            if (skipping) {
                if (!skipObservations(epoch)) return Status::kError;
                if (skipBefore_ && epoch.isObservationEpoch()) ++skipped_;
                continue;
            }
            if (!readObservations3(epoch)) return Status::kError;
        } else if (epoch.hasObservations()) {
            if (!readSatelliteList(text, epoch, 0)) return Status::kError;
            for (size_t first = kSatellitesPerEpochLine; first < epoch.count;
                 first += kSatellitesPerEpochLine) {
                if (!nextLine(text, raw, true, "an epoch (satellite list continues)"))
                    return Status::kError;
                if (!Is_Blank(Columns(text, 0, kEpochSatelliteColumn))) {
                    fail(input_->lineNumber(), "epoch line: " + std::to_string(epoch.count) +
                                                   " satellites announced, " +
                                                   std::to_string(first) + " listed");
                    return Status::kError;
                }
                epoch.append(raw);
                if (!readSatelliteList(text, epoch, first)) return Status::kError;
            }
            if (skipping) {
                if (!skipObservations(epoch)) return Status::kError;
                if (skipBefore_ && epoch.isObservationEpoch()) ++skipped_;
                continue;
            }
            if (!readObservations(epoch)) return Status::kError;
        } else {
            // Event records are read while skipping too: they may change the
            // observation types.
            if (!readSpecialRecords(epoch)) return Status::kError;
            if (skipping) continue;
        }
        return Status::kEpoch;
    }
}

}  // namespace zer2ivi::rinex
