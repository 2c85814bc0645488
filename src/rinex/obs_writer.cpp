#include "rinex/obs_writer.h"

#include <algorithm>

#include "rinex/fields.h"
#include "rinex/obs_labels.h"
#include "rinex3/rinex3.h"
#include "rinex_text/rinex_text.h"

namespace zer2ivi::rinex {
namespace {

// Labels of version 3 records that have no version 2 counterpart, and the
// fixed text of the version records.
constexpr std::string_view kLabelPhaseShift = "SYS / PHASE SHIFT";
constexpr std::string_view kLabelGlonassSlots = "GLONASS SLOT / FRQ #";
constexpr std::string_view kLabelGlonassBiases = "GLONASS COD/PHS/BIS";
constexpr std::string_view kObservationData = "OBSERVATION DATA";
constexpr std::string_view kGlonassBiasCodes[] = {"C1C", "C1P", "C2C", "C2P"};

struct SystemName {
    char letter;
    std::string_view version2;   // column 41 on of a version 2 file
    std::string_view timeSystem;  // of TIME OF FIRST/LAST OBS
};
constexpr SystemName kSystemNames[] = {
    {'G', "G (GPS)", "GPS"},     {'R', "R (GLONASS)", "GLO"}, {'E', "E (GALILEO)", "GAL"},
    {'S', "S (GEO)", "GPS"},     {'C', "M (MIXED)", "BDT"},   {'J', "M (MIXED)", "QZS"},
    {'I', "M (MIXED)", "IRN"},   {'M', "M (MIXED)", "GPS"},
};
const SystemName& Name_Of(char letter) {
    for (const SystemName& name : kSystemNames)
        if (name.letter == letter) return name;
    return kSystemNames[std::size(kSystemNames) - 1];
}

// Epoch records: the columns of the version 2 satellite list and clock.
constexpr size_t kVersion3ClockGap = 6;
constexpr size_t kBlankDate3 = 28;  // 1X,I4,4(1X,I2.2),F11.7 without a time
constexpr size_t kBlankDate2 = 26;  // 1X,I2.2,4(1X,I2),F11.7
// "# / TYPES OF OBSERV": I6,9(4X,A2), continuation 6X,9(4X,A2).
constexpr size_t kVersion2TypesPerLine = 9;
constexpr size_t kLeapSecondsWidth = 6;
constexpr size_t kTimeSystemColumn = 48;
constexpr size_t kDateColumn = 40;  // of PGM / RUN BY / DATE

constexpr std::string_view kVersion2Systems = "GRSE";
constexpr std::string_view kTypeOrder = "CLDS";

size_t System_Index(char system) { return kSystemLetters.find(system); }

void Append_Two_Digits(std::string& line, long long value, bool zero) {
    line += ' ';
    line += value < 10 ? (zero ? '0' : ' ') : static_cast<char>('0' + value / 10 % 10);
    line += static_cast<char>('0' + value % 10);
}

// F11.7 of whole ticks of 100 ns.
void Append_Seconds(std::string& line, Ticks secondTicks) {
    Append_Integer(line, secondTicks / kTicksPerSecond, 3);
    line += '.';
    std::string fraction = std::to_string(secondTicks % kTicksPerSecond + kTicksPerSecond);
    line.append(fraction, 1, std::string::npos);
}

void Append_Satellite(std::string& line, const SatelliteObs& sat) {
    line += sat.system;
    line += static_cast<char>('0' + sat.prn / 10);
    line += static_cast<char>('0' + sat.prn % 10);
}

// One field of 16 columns.
void Append_Field(std::string& line, std::string_view field) {
    line += field;
    line.append(kObsFieldWidth - std::min(field.size(), kObsFieldWidth), ' ');
}

void End_Line(std::string& out, std::string& line) {
    out += Trim_Right(line);
    out += '\n';
    line.clear();
}

HeaderLine Line_Of(std::string content, std::string_view label, std::string_view lineEnd) {
    Append_Label(content, label);
    content += lineEnd;
    return {std::move(content)};
}

HeaderLine Line_Of_Full(const std::string& full, std::string_view lineEnd) {
    return {full + std::string(lineEnd)};
}

std::string Replace_Columns(std::string_view text, size_t first, std::string_view with) {
    std::string line(text);
    if (line.size() < first + with.size()) line.resize(first + with.size(), ' ');
    line.replace(first, with.size(), with);
    return line;
}

bool Is_Version2_Record(std::string_view label) {
    const auto record = Record_Of_Label(label);
    return record && *record != HeaderRecord::kSysObsTypes;
}

// The type records of the output, for the systems written.
std::vector<HeaderLine> Type_Records(const OutputTypes& types, std::string_view systems,
                                     std::string_view lineEnd) {
    std::vector<HeaderLine> lines;
    if (types.major == 2) {
        std::string content;
        Append_Integer(content, 1, 6);
        Append_Integer(content, 1, 6);
        lines.push_back(Line_Of(content, kLabelWavelength, lineEnd));
        content.clear();
        Append_Integer(content, static_cast<long long>(types.version2.size()), 6);
        for (size_t t = 0; t < types.version2.size(); ++t) {
            if (t > 0 && t % kVersion2TypesPerLine == 0) {
                lines.push_back(Line_Of(content, kLabelTypes, lineEnd));
                content.assign(6, ' ');
            }
            content += "    ";
            content.append(types.version2[t].data(), 2);
        }
        lines.push_back(Line_Of(content, kLabelTypes, lineEnd));
        return lines;
    }
    for (char system : systems) {
        std::vector<std::string> codes;
        for (const ObsCode& code : types.codes[System_Index(system)]) codes.emplace_back(code.view());
        for (const std::string& line : rinex3::Obs_Types_Lines(system, codes))
            lines.push_back(Line_Of_Full(line, lineEnd));
    }
    for (char system : systems)
        for (const ObsCode& code : types.codes[System_Index(system)])
            if (code.type() == 'L')
                for (const std::string& line :
                     rinex3::Phase_Shift_Lines(system, code.view(), std::nullopt, {}))
                    lines.push_back(Line_Of_Full(line, lineEnd));
    if (systems.find('R') != std::string_view::npos) {
        // Slots and frequency numbers and the biases are not known.
        std::string content;
        Append_Integer(content, 0, 3);
        lines.push_back(Line_Of(content, kLabelGlonassSlots, lineEnd));
        content.clear();
        for (std::string_view code : kGlonassBiasCodes) {
            content += ' ';
            content += code;
            content.append(9, ' ');
        }
        lines.push_back(Line_Of(content, kLabelGlonassBiases, lineEnd));
    }
    return lines;
}

}  // namespace

size_t OutputTypes::countOf(char system) const {
    const size_t index = System_Index(system);
    if (index == std::string_view::npos) return 0;
    return source[index].size();
}

int OutputTypes::sourceOf(char system, size_t type) const {
    return source[System_Index(system)][type];
}

OutputTypes Plan_Version3(const ObsHeader& header, std::string_view omitSystems) {
    OutputTypes types;
    types.major = 3;
    types.omitSystems = omitSystems;
    // A version 2 file lists one set of types for the systems its header
    // names: GPS (or blank), GLONASS, Galileo, SBAS (with GPS), or mixed.
    std::string_view systems = kSystemLetters;
    if (!header.lineLayout3()) {
        switch (header.satelliteSystem) {
            case ' ': case 'G': systems = "G"; break;
            case 'R': systems = "R"; break;
            case 'E': systems = "E"; break;
            case 'S': systems = "GS"; break;
            default: systems = kVersion2Systems; break;
        }
    }
    for (size_t s = 0; s < kSystemLetters.size(); ++s) {
        if (systems.find(kSystemLetters[s]) == std::string_view::npos) continue;
        const SystemTypes& input = header.systemTypes[s];
        for (size_t t = 0; t < input.count; ++t) {
            const ObsCode code = input.codes[t];
            if (code.text[2] == ' ') {
                const std::string name(code.view().substr(0, 2));
                if (std::find(types.dropped.begin(), types.dropped.end(), name) ==
                    types.dropped.end())
                    types.dropped.push_back(name);
                continue;
            }
            types.codes[s].push_back(code);
            types.source[s].push_back(static_cast<int>(t));
        }
        // Listed by band, and in a band code, phase, Doppler, strength
        // ("C1C L1C D1C C2W L2W").
        std::vector<size_t> order(types.codes[s].size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        const auto rank = [&](size_t i) {
            const ObsCode& code = types.codes[s][i];
            return std::pair{code.band(), kTypeOrder.find(code.type())};
        };
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return rank(a) < rank(b); });
        std::vector<ObsCode> codes;
        std::vector<int> sources;
        for (size_t i : order) {
            codes.push_back(types.codes[s][i]);
            sources.push_back(types.source[s][i]);
        }
        types.codes[s] = std::move(codes);
        types.source[s] = std::move(sources);
    }
    return types;
}

OutputTypes Plan_Version2(const ObsHeader& header) {
    OutputTypes types;
    types.major = 2;
    std::array<std::vector<std::pair<std::string, int>>, kSystemLetters.size()> picks;
    for (size_t s = 0; s < kSystemLetters.size(); ++s) {
        const SystemTypes& input = header.systemTypes[s];
        std::vector<std::string> codes;
        for (size_t t = 0; t < input.count; ++t) codes.emplace_back(input.codes[t].view());
        const char system = kSystemLetters[s];
        const rinex3::Version2Selection selection = rinex3::Select_Version2_Codes(system, codes);
        for (const rinex3::Version2Pick& pick : selection.picks) {
            const auto at = std::find(codes.begin(), codes.end(), pick.version3);
            picks[s].push_back({pick.version2, static_cast<int>(at - codes.begin())});
            const std::array<char, 2> code{pick.version2[0], pick.version2[1]};
            if (std::find(types.version2.begin(), types.version2.end(), code) ==
                types.version2.end())
                types.version2.push_back(code);
        }
        for (const std::string& code : selection.dropped)
            types.dropped.push_back(std::string(1, system) + " " + code);
    }
    for (size_t s = 0; s < kSystemLetters.size(); ++s) {
        if (picks[s].empty()) continue;
        types.source[s].assign(types.version2.size(), -1);
        for (const auto& [code, index] : picks[s])
            for (size_t o = 0; o < types.version2.size(); ++o)
                if (std::string_view(types.version2[o].data(), 2) == code)
                    types.source[s][o] = index;
    }
    return types;
}

void EpochWriter::epochLine3(const ObsEpoch& epoch, size_t count, std::string& out) const {
    std::string line = ">";
    if (epoch.hasTime) {
        const CalendarTime time = Ticks_To_Calendar(epoch.time);
        line += ' ';
        Append_Integer(line, time.year, 4);
        for (long long value : {time.month, time.day, time.hour, time.minute})
            Append_Two_Digits(line, value, true);
        Append_Seconds(line, time.secondTicks);
    } else {
        line.append(kBlankDate3, ' ');
    }
    line += "  ";
    line += static_cast<char>('0' + epoch.flag);
    Append_Integer(line, static_cast<long long>(count), 3);
    if (epoch.clockOffset) {
        line.append(kVersion3ClockGap, ' ');
        Append_Fixed(line, *epoch.clockOffset, 15, 12);
    }
    End_Line(out, line);
}

void EpochWriter::epochLine2(const ObsEpoch& epoch, std::string& out) const {
    std::string line;
    if (epoch.hasTime) {
        const CalendarTime time = Ticks_To_Calendar(epoch.time);
        Append_Two_Digits(line, time.year % 100, true);
        for (long long value : {time.month, time.day, time.hour, time.minute})
            Append_Two_Digits(line, value, false);
        Append_Seconds(line, time.secondTicks);
    } else {
        line.append(kBlankDate2, ' ');
    }
    line += "  ";
    line += static_cast<char>('0' + epoch.flag);
    const size_t count = epoch.hasObservations() ? kept_.size() : epoch.count;
    Append_Integer(line, static_cast<long long>(count), 3);
    if (!epoch.hasObservations()) {
        End_Line(out, line);
        return;
    }
    for (size_t k = 0; k < kept_.size(); ++k) {
        if (k > 0 && k % kSatellitesPerEpochLine == 0) {
            if (k == kSatellitesPerEpochLine && epoch.clockOffset) {
                line.resize(kEpochClockColumn, ' ');
                Append_Fixed(line, *epoch.clockOffset, 12, 9);
            }
            End_Line(out, line);
            line.assign(kEpochSatelliteColumn, ' ');
        }
        Append_Satellite(line, epoch.satellite(kept_[k]));
    }
    if (kept_.size() <= kSatellitesPerEpochLine && epoch.clockOffset) {
        line.resize(kEpochClockColumn, ' ');
        Append_Fixed(line, *epoch.clockOffset, 12, 9);
    }
    End_Line(out, line);
}

void EpochWriter::write(const ObsEpoch& epoch, std::string& out) {
    out.clear();
    kept_.clear();
    if (epoch.hasObservations()) {
        for (size_t s = 0; s < epoch.satelliteCount(); ++s) {
            const char system = epoch.satellite(s).system;
            if (types_.omitSystems.find(system) != std::string::npos) {
                ++omitted_;
                continue;
            }
            if (types_.countOf(system) > 0) kept_.push_back(s);
        }
    }
    if (types_.major == 3)
        epochLine3(epoch, epoch.hasObservations() ? kept_.size() : epoch.count, out);
    else
        epochLine2(epoch, out);
    if (!epoch.hasObservations()) {
        out += epoch.textAfterEpochLine();
        return;
    }
    std::string line;
    for (size_t s : kept_) {
        const SatelliteObs& sat = epoch.satellite(s);
        const size_t types = types_.countOf(sat.system);
        if (types_.major == 3) Append_Satellite(line, sat);
        for (size_t o = 0; o < types; ++o) {
            const int source = types_.sourceOf(sat.system, o);
            const bool has = source >= 0 && static_cast<size_t>(source) < epoch.typeCountOf(s);
            Append_Field(line, has ? epoch.fieldText(s, static_cast<size_t>(source))
                                   : std::string_view{});
            if (types_.major == 2 && (o + 1) % kTypesPerObsLine == 0 && o + 1 < types)
                End_Line(out, line);
        }
        End_Line(out, line);
    }
}

std::vector<HeaderLine> Convert_Header(const std::vector<HeaderLine>& lines,
                                       const OutputTypes& types, std::string_view systemsSeen,
                                       std::string_view lineEnd) {
    std::string systems;
    for (char system : systemsSeen)
        if (types.countOf(system) > 0 && types.omitSystems.find(system) == std::string::npos)
            systems += system;
    const char letter = systems.size() == 1 ? systems[0] : 'M';
    std::vector<HeaderLine> out;
    bool typesWritten = false;
    bool prnTemplate = false;
    for (const HeaderLine& line : lines) {
        const std::string_view label = line.label();
        const std::string_view text = line.text();
        if (label == kLabelVersionType) {
            std::string content(9 - (types.major == 3 ? kVersion3Text : kVersion2Text).size(), ' ');
            content += types.major == 3 ? kVersion3Text : kVersion2Text;
            content.append(11, ' ');
            Append_Text(content, kObservationData, 20);
            if (types.major == 3)
                content += letter;
            else
                content += Name_Of(letter).version2;
            out.push_back(Line_Of(content, kLabelVersionType, lineEnd));
        } else if (label == kLabelTypes || label == kLabelSysObsTypes ||
                   label == kLabelWavelength) {
            if (!typesWritten) {
                const auto records = Type_Records(types, systems, lineEnd);
                out.insert(out.end(), records.begin(), records.end());
            }
            typesWritten = true;
        } else if (label == kLabelPgmRunByDate && types.major == 3) {
            char date[kRinex3DateSize];
            Rinex3_Date_Text(date);
            std::string content(Columns(text, 0, kDateColumn));
            content.resize(kDateColumn, ' ');
            content += date;
            out.push_back(Line_Of(content, kLabelPgmRunByDate, lineEnd));
        } else if ((label == kLabelFirstObs || label == kLabelLastObs) && types.major == 3) {
            // In the version 3 form (I6 fields with two digits, F13.7), which
            // the product's header keeps when it writes the time anew.
            rinex3::RecordTime time;
            int32_t* fields[] = {&time.year, &time.month, &time.day, &time.hour, &time.minute};
            for (size_t f = 0; f < std::size(fields); ++f)
                *fields[f] = static_cast<int32_t>(Parse_Integer(Columns(text, 6 * f, 6)).value_or(0));
            const std::string_view system = Trim(Columns(text, kTimeSystemColumn, 3));
            out.push_back(Line_Of_Full(
                rinex3::Time_Of_Obs_Line(label == kLabelFirstObs, time,
                                         system.empty() ? Name_Of(letter).timeSystem : system),
                lineEnd));
        } else if (label == kLabelFirstObs || label == kLabelLastObs) {
            std::string content(Columns(text, 0, kLabelColumn));
            if (Is_Blank(Columns(content, kTimeSystemColumn, 3)))
                content = Replace_Columns(content, kTimeSystemColumn, Name_Of(letter).timeSystem);
            out.push_back(Line_Of(content, label, lineEnd));
        } else if (label == kLabelPrnObsCount) {
            if (!prnTemplate)
                out.push_back(
                    Line_Of(types.major == 3 ? "   G01" : "   G 1", kLabelPrnObsCount, lineEnd));
            prnTemplate = true;
        } else if (label == kLabelLeapSeconds && types.major == 2) {
            out.push_back(Line_Of(std::string(Columns(text, 0, kLeapSecondsWidth)), label, lineEnd));
        } else if (types.major == 2 && label != kLabelComment && !Is_Version2_Record(label)) {
            continue;  // a record of version 3 only
        } else if (label == kLabelPhaseShift || label == kLabelGlonassSlots ||
                   label == kLabelGlonassBiases) {
            continue;  // written with the types
        } else {
            out.push_back(line);
        }
    }
    // Version 3 wants PGM / RUN BY / DATE as the second record.
    const auto pgm = std::find_if(out.begin(), out.end(), [](const HeaderLine& line) {
        return line.label() == kLabelPgmRunByDate;
    });
    if (types.major == 3 && pgm != out.end() && pgm != out.begin() + 1 && out.size() > 1)
        std::rotate(out.begin() + 1, pgm, pgm + 1);
    return out;
}

}  // namespace zer2ivi::rinex
