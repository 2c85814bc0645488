#include "rinex/file_kind.h"

#include "crinex/compact_text.h"
#include "rinex/obs_labels.h"
#include "textio/line_source.h"

namespace zer2ivi::rinex {
namespace {

constexpr size_t kLabelColumn = 60;
constexpr size_t kFileTypeColumn = 20;

bool Has_Label(std::string_view line, std::string_view label) {
    return line.size() >= kLabelColumn + label.size() && line.substr(kLabelColumn, label.size()) == label;
}

struct TypeName {
    char letter;
    const char* name;
};
// RINEX file types (column 21) other than observations.
constexpr TypeName kTypeNames[] = {{'N', "navigation"}, {'G', "GLONASS navigation"}, {'H', "SBAS navigation"},
                                   {'M', "meteorological"}, {'C', "clock"}};

}  // namespace

FileKindOf Kind_Of_First_Line(std::string_view line) {
    if (Has_Label(line, crinex::kLabelCompactVersion)) return {FileKind::kCompactRinex, std::string(kWordsCompact)};
    if (!Has_Label(line, kLabelVersionType)) return {};
    size_t start = 0;
    while (start < 9 && line[start] == ' ') ++start;
    const std::string major = start < 9 ? std::string(1, line[start]) : std::string("?");
    const char type = line[kFileTypeColumn];
    if (type == 'O' || type == 'o') return {FileKind::kRinexObservation, "a RINEX " + major + " observation file"};
    for (const TypeName& name : kTypeNames)
        if (type == name.letter) return {FileKind::kRinexOther, "a RINEX " + major + " " + name.name + " file"};
    return {FileKind::kRinexOther, "a RINEX " + major + " file of type '" + std::string(1, type) + "'"};
}

FileKindOf Kind_Of_File(const std::string& path) {
    textio::TextSource source;
    std::string_view text, raw;
    if (!source.open(path) || source.next(text, raw) != textio::LineSource::Status::kLine) return {};
    return Kind_Of_First_Line(text);
}

bool Is_Rinex_File(const std::string& path) { return Kind_Of_File(path).kind != FileKind::kOther; }

}  // namespace zer2ivi::rinex
