#include <algorithm>
#include <cstdlib>

#include "crinex/compact_text.h"

namespace zer2ivi::crinex {
namespace {

constexpr std::string_view kProgramName = "zer2ivi";

// A column range of a line, blank where the line is shorter.
std::string_view Columns(std::string_view line, size_t begin, size_t width) {
    if (begin >= line.size()) return {};
    return line.substr(begin, width);
}

void Pad(std::string& text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
}

// Header line of the given label: text in columns 1-60.
std::string Label_Line(std::string_view text, std::string_view label) {
    std::string line(text);
    Pad(line, kLabelColumn);
    line.append(label);
    return line;
}

}  // namespace

Encoder::Encoder(LineSink& out, std::string name, std::string date)
    : out_(out),
      name_(std::move(name)),
      date_(std::move(date)),
      types_(std::make_unique<TypeCounts>()),
      previous_(std::make_unique<EpochState>()),
      current_(std::make_unique<EpochState>()) {}

Encoder::~Encoder() = default;

Encoder::Status Encoder::fail(const std::string& what) {
    if (error_.empty()) error_ = name_ + ":" + std::to_string(line_) + ": " + what;
    return Status::kError;
}

Encoder::Status Encoder::write(std::string_view line) {
    if (out_.write(line)) return Status::kOk;
    error_ = out_.error();
    return Status::kError;
}

Encoder::Status Encoder::add(std::string_view line) {
    if (!error_.empty()) return Status::kError;
    ++line_;
    if (inHeader_) return addHeaderLine(line);
    if (eventLines_ > 0) {
        --eventLines_;
        std::string what;
        if (!types_->take(line, what)) return fail(what);
        return write(line);
    }
    if (idLinesLeft_ > 0) {
        // RINEX 2: more satellite ids on a continuation line.
        --idLinesLeft_;
        const size_t wanted = std::min(satsLeft_ - (epochText_.size() - kEpoch2.fixedWidth) / kIdWidth,
                                       kIdsPerLine2);
        std::string ids(Columns(line, kEpoch2.fixedWidth, wanted * kIdWidth));
        Pad(ids, wanted * kIdWidth);
        epochText_ += ids;
        if (idLinesLeft_ == 0) {
            size_t hint = 0;
            const std::string_view all = std::string_view(epochText_).substr(kEpoch2.fixedWidth);
            for (size_t s = 0; s < satsLeft_; ++s)
                if (!current_->add(all.substr(s * kIdWidth, kIdWidth), types_->all, *previous_, hint))
                    return fail("more than 999 satellites");
        }
        return Status::kOk;
    }
    if (satsLeft_ > 0) return addSatelliteLine(line);
    return startEpoch(line);
}

Encoder::Status Encoder::finish() {
    if (!error_.empty()) return Status::kError;
    if (inHeader_) return fail(line_ == 0 ? "empty file" : "file ends inside the header");
    if (eventLines_ > 0 || idLinesLeft_ > 0 || satsLeft_ > 0) return fail("file ends inside an epoch");
    return Status::kOk;
}

Encoder::Status Encoder::addHeaderLine(std::string_view line) {
    std::string what;
    if (!types_->take(line, what)) return fail(what);
    if (line_ == 1) {
        if (types_->rinexMajor == 0) return fail("not a RINEX file (no RINEX VERSION / TYPE)");
        if (types_->rinexMajor < 2) return fail("RINEX version 1 files are not compacted");
        version_ = types_->rinexMajor;
        std::string first(types_->rinexMajor == 2 ? "1.0" : "3.0");
        Pad(first, 20);
        first.append(kCompactFormatName);
        std::string second(kProgramName);
        Pad(second, 40);
        second.append(date_);
        if (write(Label_Line(first, kLabelCompactVersion)) != Status::kOk ||
            write(Label_Line(second, kLabelCompactProgram)) != Status::kOk)
            return Status::kError;
    }
    if (Has_Label(line, kLabelEndOfHeader)) {
        if (types_->maximum() == 0) return fail("header lists no observation types");
        inHeader_ = false;
        previous_->reset(types_->maximum());
        current_->reset(types_->maximum());
    }
    return write(line);
}

Encoder::Status Encoder::startEpoch(std::string_view line) {
    const EpochLayout& layout = Epoch_Layout(version_);
    line = Trim_Right(line);
    if (line.empty()) return fail("empty line where an epoch line is due");
    if (version_ >= 3 && line[0] != '>') return fail("epoch line does not begin with '>'");
    if (version_ < 3 && line[0] != ' ') return fail("epoch line: column 1 is not blank");
    const char flag = layout.flagIndex < line.size() ? line[layout.flagIndex] : ' ';
    int64_t count = 0;
    const std::string_view countText = Columns(line, layout.countIndex, layout.countWidth);
    if (!Trim_Right(countText).empty() &&
        (!Parse_Scaled(countText, 0, count) || count < 0 || count > static_cast<int64_t>(kMaxSatellites)))
        return fail("epoch line: count is not a number");
    if (Is_Event_Flag(flag)) {
        // Written whole, records unchanged; the next epoch starts afresh.
        scratch_.assign(line);
        if (version_ < 3) scratch_[0] = kArcMark;
        eventLines_ = static_cast<size_t>(count);
        fullNext_ = true;
        previousText_.clear();
        ++epochs_;
        return write(scratch_);
    }
    if (Trim_Right(countText).empty()) return fail("epoch line without a satellite count");
    const size_t stride = types_->maximum();
    if (fullNext_ || previous_->stride != stride) previous_->reset(stride);
    current_->reset(stride);
    const std::string_view clockText = Trim_Right(Columns(line, layout.clockIndex, layout.clockWidth));
    hasClock_ = !clockText.empty();
    if (hasClock_ && !Parse_Scaled(clockText, layout.clockDecimals, clock_))
        return fail("receiver clock is not a number");
    epochText_.assign(line.substr(0, std::min(layout.fixedWidth, line.size())));
    Pad(epochText_, layout.fixedWidth);
    satsLeft_ = static_cast<size_t>(count);
    lineOfSat_ = 0;
    if (version_ < 3) {
        const size_t first = std::min<size_t>(satsLeft_, kIdsPerLine2);
        std::string ids(Columns(line, layout.fixedWidth, first * kIdWidth));
        Pad(ids, first * kIdWidth);
        epochText_ += ids;
        idLinesLeft_ = satsLeft_ > kIdsPerLine2 ? (satsLeft_ - 1) / kIdsPerLine2 : 0;
        if (idLinesLeft_ == 0) {
            size_t hint = 0;
            for (size_t s = 0; s < satsLeft_; ++s)
                if (!current_->add(ids.substr(s * kIdWidth, kIdWidth), types_->all, *previous_, hint))
                    return fail("more than 999 satellites");
        }
    }
    if (satsLeft_ == 0 && idLinesLeft_ == 0) return writeEpoch();
    return Status::kOk;
}

Encoder::Status Encoder::addSatelliteLine(std::string_view line) {
    size_t index = 0;
    size_t first = 0;  // first field on this line
    size_t fields = 0;
    size_t column = 0;
    if (version_ >= 3) {
        std::string id(Columns(line, 0, kIdWidth));
        Pad(id, kIdWidth);
        const size_t types = types_->of(id[0]);
        if (types == 0) return fail("satellite " + id + ": its system has no observation types in the header");
        size_t hint = current_->count;
        if (!current_->add(id, types, *previous_, hint)) return fail("more than 999 satellites");
        epochText_ += id;
        index = current_->count - 1;
        fields = types;
        column = kIdWidth;
        if (!Trim_Right(Columns(line, kIdWidth + types * kFieldWidth, line.size())).empty())
            return fail("satellite " + id + ": more fields than its " + std::to_string(types) +
                        " observation types");
    } else {
        index = current_->count - satsLeft_;
        const size_t types = current_->typeCount[index];
        first = lineOfSat_ * kFieldsPerLine2;
        fields = std::min(types - first, kFieldsPerLine2);
        if (!Trim_Right(Columns(line, fields * kFieldWidth, line.size())).empty())
            return fail("observation line: more fields than the observation types");
    }
    char* flags = current_->flagsOf(index);
    for (size_t t = first; t < first + fields; ++t) {
        const std::string_view field = Columns(line, column + (t - first) * kFieldWidth, kFieldWidth);
        const std::string_view value = Columns(field, 0, kValueWidth);
        const size_t at = index * current_->stride + t;
        current_->present[at] = !Trim_Right(value).empty();
        if (current_->present[at] && !Parse_Scaled(value, kValueDecimals, current_->values[at]))
            return fail("observation " + std::to_string(t + 1) + " is not an F14.3 number");
        // Compact RINEX 1 keeps the flags of an empty field as they were.
        if (current_->present[at] || version_ >= 3) {
            flags[2 * t] = field.size() > kValueWidth ? field[kValueWidth] : ' ';
            flags[2 * t + 1] = field.size() > kValueWidth + 1 ? field[kValueWidth + 1] : ' ';
        }
    }
    if (version_ < 3) {
        if (++lineOfSat_ * kFieldsPerLine2 < current_->typeCount[index]) return Status::kOk;
        lineOfSat_ = 0;
    }
    if (--satsLeft_ == 0) return writeEpoch();
    return Status::kOk;
}

namespace {

// One value of an arc: a difference, or "3&V" where an arc starts.
void Append_Arc_Value(std::string& out, Arc& arc, int64_t value) {
    int64_t difference = 0;
    if (arc.active && arc.difference(value, difference) && std::llabs(difference) < kArcResetMagnitude) {
        arc.apply(difference);
        Append_Integer(out, difference);
        return;
    }
    arc.start(kEncoderOrder, value);
    Append_Integer(out, kEncoderOrder);
    out.push_back(kArcMark);
    Append_Integer(out, value);
}

}  // namespace

Encoder::Status Encoder::writeEpoch() {
    const size_t stride = current_->stride;
    scratch_.clear();
    if (fullNext_) {
        scratch_ = epochText_;
        if (version_ < 3) scratch_[0] = kArcMark;
        scratch_.resize(Trim_Right(scratch_).size());
    } else {
        Append_Text_Difference(scratch_, previousText_, Trim_Right(epochText_));
    }
    if (write(scratch_) != Status::kOk) return Status::kError;
    scratch_.clear();
    current_->clock = previous_->clock;
    if (hasClock_) {
        Append_Arc_Value(scratch_, current_->clock, clock_);
    } else {
        current_->clock.active = false;
    }
    if (write(scratch_) != Status::kOk) return Status::kError;
    for (size_t s = 0; s < current_->count; ++s) {
        scratch_.clear();
        const size_t types = current_->typeCount[s];
        Arc* arcs = current_->arcsOf(s);
        for (size_t t = 0; t < types; ++t) {
            if (t > 0) scratch_.push_back(' ');
            if (current_->present[s * stride + t]) {
                Append_Arc_Value(scratch_, arcs[t], current_->values[s * stride + t]);
            } else {
                arcs[t].active = false;
            }
        }
        scratch_.push_back(' ');
        const std::string_view flags(current_->flagsOf(s), 2 * types);
        if (current_->from[s] != EpochState::kNew) {
            const std::string_view old(previous_->flagsOf(current_->from[s]), 2 * types);
            Append_Text_Difference(scratch_, old, flags);
        } else if (version_ < 3) {
            Append_Text_Difference(scratch_, {}, flags);
        } else {
            // A new satellite's flags against no text at all: every blank is sent.
            for (const char c : flags) scratch_.push_back(c == ' ' ? kArcMark : c);
        }
        scratch_.resize(Trim_Right(scratch_).size());
        if (write(scratch_) != Status::kOk) return Status::kError;
    }
    previousText_.assign(Trim_Right(epochText_));
    std::swap(previous_, current_);
    fullNext_ = false;
    ++epochs_;
    return Status::kOk;
}

}  // namespace zer2ivi::crinex
