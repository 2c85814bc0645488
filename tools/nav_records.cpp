#include "nav_records.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>

namespace zer2ivi::cli {
namespace {

constexpr size_t kLinesPerRecord = 8;
constexpr size_t kLabelColumn = 60;
constexpr std::string_view kEndOfHeader = "END OF HEADER";
// Line 1: PRN (two columns, wider for larger numbers), the clock epoch in
// 20 columns, three number fields of 19 columns.
constexpr size_t kFieldWidth = 19;
constexpr size_t kLineOneTail = 20 + 3 * kFieldWidth;
// Orbit lines: three blanks, then four fields of 19 columns.
constexpr size_t kOrbitIndent = 3;

// Where each checked value stands: line of the record (0 = line 1) and
// field of that orbit line.
struct FieldPlace {
    size_t line;
    size_t field;
    double NavRecordFacts::*member;
};
constexpr std::array<FieldPlace, 4> kFields = {{
    {2, 1, &NavRecordFacts::eccentricity},
    {2, 3, &NavRecordFacts::sqrtA},
    {3, 0, &NavRecordFacts::toe},
    {5, 2, &NavRecordFacts::week},
}};

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\r')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// One line without its line end (LF, or CR LF as written on Windows).
bool Read_Line(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace

std::optional<double> Parse_Rinex_Number(std::string_view field) {
    field = Trim(field);
    std::array<char, 32> text{};
    if (field.empty() || field.size() >= text.size()) return std::nullopt;
    for (size_t i = 0; i < field.size(); ++i)
        text[i] = (field[i] == 'D' || field[i] == 'd') ? 'E' : field[i];
    double value = 0.0;
    const char* end = text.data() + field.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end) return std::nullopt;
    return value;
}

std::optional<std::string> Read_Nav_Records(
    const std::string& path, const std::function<void(const NavRecordFacts&)>& visit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return path + ": " + std::strerror(errno);
    std::string line;
    bool headerEnded = false;
    while (!headerEnded && Read_Line(in, line))
        headerEnded = line.size() > kLabelColumn &&
                      Trim(std::string_view(line).substr(kLabelColumn)) == kEndOfHeader;
    if (!headerEnded) return path + ": no END OF HEADER line";

    NavRecordFacts record;
    std::array<std::string, kLinesPerRecord> lines;
    while (Read_Line(in, lines[0])) {
        if (Trim(lines[0]).empty()) continue;
        ++record.index;
        const std::string where = path + ": record " + std::to_string(record.index);
        for (size_t i = 1; i < kLinesPerRecord; ++i)
            if (!Read_Line(in, lines[i])) return where + " is incomplete";
        record.layoutProblem.clear();
        record.prn = 0;
        const std::string_view prnText =
            lines[0].size() > kLineOneTail
                ? Trim(std::string_view(lines[0]).substr(0, lines[0].size() - kLineOneTail))
                : std::string_view();
        const auto [end, error] =
            std::from_chars(prnText.data(), prnText.data() + prnText.size(), record.prn);
        if (prnText.empty() || error != std::errc{} || end != prnText.data() + prnText.size())
            record.layoutProblem = "its first line holds no PRN and clock epoch";
        for (const FieldPlace& place : kFields) {
            const std::string& text = lines[place.line];
            const size_t start = kOrbitIndent + place.field * kFieldWidth;
            const auto value =
                text.size() < start + kFieldWidth
                    ? std::nullopt
                    : Parse_Rinex_Number(std::string_view(text).substr(start, kFieldWidth));
            record.*place.member = value.value_or(0.0);
            if (!value && record.layoutProblem.empty())
                record.layoutProblem = "its orbit line " + std::to_string(place.line) +
                                       " holds no number in field " + std::to_string(place.field + 1);
        }
        visit(record);
    }
    return std::nullopt;
}

}  // namespace zer2ivi::cli
