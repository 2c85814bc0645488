#include "products/header_editor.h"

#include <algorithm>
#include <cmath>

#include "rinex/fields.h"
#include "rinex/header_records.h"
#include "rinex/obs_labels.h"

namespace zer2ivi::products {

using namespace rinex;

const std::array<TextField, 10> kTextFields = {{
    {&HeaderEdits::marker, "marker", kLabelMarkerName, 0, 60, true},
    {&HeaderEdits::markerNumber, "marker-number", kLabelMarkerNumber, 0, 20, false},
    {&HeaderEdits::observer, "observer", kLabelObserverAgency, 0, 20, true},
    {&HeaderEdits::agency, "agency", kLabelObserverAgency, 20, 40, true},
    {&HeaderEdits::runBy, "run-by", kLabelPgmRunByDate, 20, 20, true},
    {&HeaderEdits::receiverNumber, "receiver-number", kLabelReceiver, 0, 20, false},
    {&HeaderEdits::receiverType, "receiver-type", kLabelReceiver, 20, 20, false},
    {&HeaderEdits::receiverVersion, "receiver-version", kLabelReceiver, 40, 20, false},
    {&HeaderEdits::antennaNumber, "antenna-number", kLabelAntenna, 0, 20, false},
    {&HeaderEdits::antennaType, "antenna-type", kLabelAntenna, 20, 20, false},
}};

const std::array<TripleField, 2> kTripleFields = {{
    {&HeaderEdits::antennaDelta, "antenna-delta", kLabelAntennaDelta},
    {&HeaderEdits::position, "position", kLabelApproxPosition},
}};

namespace {

bool Is_Printable(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

std::optional<std::string> Check_Text(std::string_view option, std::string_view text,
                                      size_t width) {
    if (!Is_Printable(text))
        return "--" + std::string(option) + ": only printable ASCII characters fit a RINEX header";
    if (text.size() > width)
        return "--" + std::string(option) + ": '" + std::string(text) + "' is longer than " +
               std::to_string(width) + " characters";
    return std::nullopt;
}

size_t Rank(std::string_view label) {
    const auto* found = std::find(std::begin(kUsualOrder), std::end(kUsualOrder), label);
    return static_cast<size_t>(found - std::begin(kUsualOrder));
}

// The 60 data columns of a line (padded with blanks) for rewriting fields.
std::string Data_Columns(const HeaderLine& line) {
    std::string data(Columns(line.text(), 0, kLabelColumn));
    data.resize(kLabelColumn, ' ');
    return data;
}

HeaderLine Make_Line(std::string data, std::string_view label, std::string_view lineEnd) {
    Append_Label(data, label);
    data.append(lineEnd);
    return HeaderLine{std::move(data)};
}

std::vector<HeaderLine>::iterator Find_Label(std::vector<HeaderLine>& lines,
                                             std::string_view label) {
    return std::find_if(lines.begin(), lines.end(),
                        [&](const HeaderLine& line) { return line.label() == label; });
}

}  // namespace

bool HeaderEdits::empty() const {
    for (const TextField& field : kTextFields)
        if (this->*field.member) return false;
    for (const TripleField& field : kTripleFields)
        if (this->*field.member) return false;
    return comments.empty();
}

std::optional<std::string> HeaderEditor::Check(const HeaderEdits& edits) {
    for (const TextField& field : kTextFields) {
        if (const auto& text = edits.*field.member)
            if (auto error = Check_Text(field.option, *text, field.width)) return error;
    }
    for (const std::string& comment : edits.comments)
        if (auto error = Check_Text("comment", comment, kCommentWidth)) return error;
    for (const TripleField& field : kTripleFields) {
        const auto& values = edits.*field.member;
        if (!values) continue;
        for (double value : *values) {
            std::string text;
            if (!std::isfinite(value) || !Append_Fixed(text, value, kTripleWidth, kTripleDecimals))
                return "--" + std::string(field.option) + ": a value does not fit F14.4";
        }
    }
    return std::nullopt;
}

void Insert_In_Usual_Order(std::vector<HeaderLine>& lines, HeaderLine line) {
    const size_t rank = Rank(line.label());
    auto position = std::find_if(lines.begin(), lines.end(), [&](const HeaderLine& other) {
        const std::string_view label = other.label();
        if (label == kLabelEndOfHeader) return true;
        if (label == kLabelComment) return false;
        const size_t otherRank = Rank(label);
        return otherRank < std::size(kUsualOrder) && otherRank > rank;
    });
    lines.insert(position, std::move(line));
}

void HistoryNote::editHeader(std::vector<HeaderLine>& lines, std::string_view lineEnd) const {
    std::string note = note_;
    if (note.size() > kCommentWidth) note = note.substr(0, kCommentWidth - 3) + "...";
    for (char& c : note)
        if (c < ' ' || c > '~') c = '?';
    auto position = Find_Label(lines, kLabelPgmRunByDate);
    if (position == lines.end()) position = lines.empty() ? lines.end() : lines.begin();
    if (position != lines.end()) ++position;
    lines.insert(position, HeaderLine{Write_Comment(note, lineEnd)});
}

void HeaderEditor::apply(std::vector<HeaderLine>& lines, std::string_view lineEnd) const {
    const HeaderEdits& edits = edits_;
    // Text fields, record by record: each record's fields are set on one line.
    for (const TextField& field : kTextFields) {
        const auto& text = edits.*field.member;
        if (!text) continue;
        auto line = Find_Label(lines, field.label);
        std::string data;
        if (line != lines.end()) {
            data = Data_Columns(*line);
        } else {
            data.assign(kLabelColumn, ' ');
        }
        std::string value = *text;
        value.resize(field.width, ' ');
        data.replace(field.column, field.width, value);
        HeaderLine changed = Make_Line(std::move(data), field.label, lineEnd);
        if (line != lines.end()) {
            *line = std::move(changed);
        } else {
            Insert_In_Usual_Order(lines, std::move(changed));
        }
    }
    for (const TripleField& field : kTripleFields) {
        const auto& values = edits.*field.member;
        if (!values) continue;
        std::string data;
        for (double value : *values) Append_Fixed(data, value, kTripleWidth, kTripleDecimals);
        HeaderLine changed = Make_Line(std::move(data), field.label, lineEnd);
        auto line = Find_Label(lines, field.label);
        if (line != lines.end()) {
            *line = std::move(changed);
        } else {
            Insert_In_Usual_Order(lines, std::move(changed));
        }
    }
    // Comments follow the first line, in the order given.
    auto position = lines.empty() ? lines.end() : lines.begin() + 1;
    for (const std::string& comment : edits.comments) {
        position = lines.insert(position, Make_Line(comment, kLabelComment, lineEnd));
        ++position;
    }
}

}  // namespace zer2ivi::products
