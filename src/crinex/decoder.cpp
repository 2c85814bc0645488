#include <algorithm>

#include "crinex/compact_text.h"

namespace zer2ivi::crinex {
namespace {

std::string Satellite_Name(const std::array<char, kIdWidth>& id) { return std::string(id.data(), id.size()); }

}  // namespace

Decoder::Decoder(LineSource& in)
    : in_(in),
      types_(std::make_unique<TypeCounts>()),
      previous_(std::make_unique<EpochState>()),
      current_(std::make_unique<EpochState>()) {}

Decoder::~Decoder() = default;

LineSource::Status Decoder::fail(const std::string& what) {
    error_ = in_.path() + ":" + std::to_string(in_.lineNumber()) + ": " + what;
    return Status::kError;
}

LineSource::Status Decoder::pull(std::string_view& line, bool insideEpoch) {
    std::string_view raw;
    const Status status = in_.next(line, raw);
    if (status == Status::kError) {
        error_ = in_.error();
        endedShort_ = in_.endedShort();
    } else if (status == Status::kEnd && insideEpoch) {
        endedShort_ = true;
        return fail("file ends inside an epoch");
    }
    return status;
}

void Decoder::emit(std::string_view text, uint64_t sourceLine) {
    // Header and event lines lose trailing blanks and carriage returns (a
    // line end of their own would not survive being written out).
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
    out_.append(text);
    ends_.push_back(out_.size());
    sources_.push_back(sourceLine);
}

LineSource::Status Decoder::next(std::string_view& text, std::string_view& raw) {
    if (!error_.empty()) return Status::kError;
    if (handedOut_ == ends_.size()) {
        out_.clear();
        ends_.clear();
        sources_.clear();
        handedOut_ = 0;
        Status status = Status::kLine;
        if (inHeader_) {
            status = readHeaderLine();
        } else if (pendingEvents_ > 0) {
            std::string_view record;
            status = pull(record, true);
            if (status == Status::kLine) {
                --pendingEvents_;
                std::string what;
                if (!types_->take(record, what)) return fail(what);
                emit(record, in_.lineNumber());
            }
        } else {
            status = readEpoch();
        }
        if (status != Status::kLine) return status;
    }
    const size_t begin = handedOut_ == 0 ? 0 : ends_[handedOut_ - 1];
    line_.assign(std::string_view(out_).substr(begin, ends_[handedOut_] - begin));
    line_ += '\n';
    raw = line_;
    text = raw.substr(0, raw.size() - 1);
    lineNumber_ = sources_[handedOut_];
    ++handedOut_;
    return Status::kLine;
}

LineSource::Status Decoder::readHeaderLine() {
    std::string_view line;
    const Status status = pull(line, false);
    if (status == Status::kError) return status;
    const uint64_t number = in_.lineNumber();
    if (status == Status::kEnd) {
        return number == 0 ? fail("empty file") : fail("file ends inside the header");
    }
    if (number == 1) {
        if (!Is_Compact_First_Line(line)) return fail("not a Compact RINEX file (no CRINEX VERS / TYPE)");
        const std::string_view version = Trim_Right(line.substr(0, 20));
        if (version == "1.0" || version == " 1.0") {
            version_ = 1;
        } else if (version == "3.0" || version == " 3.0") {
            version_ = 3;
        } else {
            return fail("Compact RINEX version " + std::string(version) + " (1.0 and 3.0 are read)");
        }
        return readHeaderLine();
    }
    if (number == 2) {
        if (!Has_Label(line, kLabelCompactProgram)) return fail("second line is not CRINEX PROG / DATE");
        return readHeaderLine();
    }
    if (number == 3 && !Has_Label(line, kLabelRinexVersion))
        return fail("third line is not RINEX VERSION / TYPE");
    std::string what;
    if (!types_->take(line, what)) return fail(what);
    if (Has_Label(line, kLabelEndOfHeader)) {
        if (types_->rinexMajor == 0) return fail("header without RINEX VERSION / TYPE");
        if ((version_ == 1) != (types_->rinexMajor == 2))
            return fail("Compact RINEX " + std::to_string(version_) + ".0 does not carry RINEX " +
                        std::to_string(types_->rinexMajor) + " files");
        if (types_->maximum() == 0) return fail("header lists no observation types");
        inHeader_ = false;
        previous_->reset(types_->maximum());
        current_->reset(types_->maximum());
    }
    emit(line, number);
    return Status::kLine;
}

LineSource::Status Decoder::readEpoch() {
    std::string_view line;
    Status status = pull(line, false);
    if (status != Status::kLine) return status;
    const uint64_t epochLine = in_.lineNumber();
    const char fullMark = version_ == 1 ? kArcMark : '>';
    const EpochLayout& layout = Epoch_Layout(types_->rinexMajor);
    const size_t stride = types_->maximum();
    if (!line.empty() && line[0] == fullMark) {
        epochText_.assign(line);
        if (version_ == 1) epochText_[0] = ' ';
        epochText_.resize(Trim_Right(epochText_).size());
        previous_->reset(stride);
    } else if (epochText_.empty()) {
        return fail("first epoch line is not a full line");
    } else {
        Apply_Text_Difference(epochText_, line);
    }
    if (!epochText_.empty() && epochText_[0] != (version_ == 1 ? ' ' : '>'))
        return fail(version_ == 1 ? "epoch line: column 1 is not blank" : "epoch line does not begin with '>'");
    if (previous_->stride != stride) previous_->reset(stride);
    current_->reset(stride);
    const char flag = layout.flagIndex < epochText_.size() ? epochText_[layout.flagIndex] : ' ';
    int64_t count = 0;
    const std::string_view countText =
        std::string_view(epochText_).substr(std::min(layout.countIndex, epochText_.size()), layout.countWidth);
    if (!Trim_Right(countText).empty() && !Parse_Scaled(countText, 0, count)) {
        return fail("epoch line: count is not a number");
    }
    if (Is_Event_Flag(flag)) {
        pendingEvents_ = static_cast<size_t>(std::max<int64_t>(count, 0));
        emit(epochText_, epochLine);
        ++epochs_;
        return Status::kLine;
    }
    const std::string_view ids =
        std::string_view(epochText_).substr(std::min(layout.fixedWidth, epochText_.size()));
    const size_t satellites = (ids.size() + kIdWidth - 1) / kIdWidth;
    if (static_cast<int64_t>(satellites) != count)
        return fail("epoch line lists " + std::to_string(satellites) + " satellites, its count says " +
                    std::to_string(count));
    // The clock line.
    status = pull(line, true);
    if (status != Status::kLine) return status;
    line = Trim_Right(line);
    current_->clock = previous_->clock;
    if (line.empty()) {
        current_->clock.active = false;
    } else if (Status clock = readField(current_->clock, line, "receiver clock"); clock != Status::kLine) {
        return clock;
    }
    size_t hint = 0;
    for (size_t s = 0; s < satellites; ++s) {
        std::string id(ids.substr(s * kIdWidth, kIdWidth));
        id.resize(kIdWidth, ' ');
        const size_t types = types_->of(id[0]);
        if (types == 0) return fail("satellite " + id + ": its system has no observation types in the header");
        if (!current_->add(id, types, *previous_, hint)) return fail("more than 999 satellites");
        status = pull(line, true);
        if (status != Status::kLine) return status;
        status = readSatellite(s, line);
        if (status != Status::kLine) return status;
    }
    emitEpochLines(epochLine);
    for (size_t s = 0; s < satellites; ++s) emitSatellite(s, epochLine + 2 + s);
    if (!error_.empty()) return Status::kError;
    std::swap(previous_, current_);
    ++epochs_;
    return Status::kLine;
}

LineSource::Status Decoder::readField(Arc& arc, std::string_view text, const std::string& what) {
    const size_t mark = text.find(kArcMark);
    int64_t value = 0;
    if (mark != std::string_view::npos) {
        int64_t order = 0;
        if (!Parse_Integer(text.substr(0, mark), order) || order < 0)
            return fail(what + ": arc order '" + std::string(text.substr(0, mark)) + "' is not a number");
        if (order > kMaxOrder) return fail(what + ": arc order " + std::to_string(order) + " above 9");
        if (!Parse_Integer(text.substr(mark + 1), value))
            return fail(what + ": '" + std::string(text) + "' is not a 64-bit integer");
        arc.start(static_cast<int>(order), value);
        return Status::kLine;
    }
    if (!Parse_Integer(text, value)) return fail(what + ": '" + std::string(text) + "' is not a 64-bit integer");
    if (!arc.active) return fail(what + ": a difference without an arc");
    if (!arc.apply(value)) return fail(what + ": value overflows 64 bits");
    return Status::kLine;
}

LineSource::Status Decoder::readSatellite(size_t index, std::string_view line) {
    const size_t types = current_->typeCount[index];
    Arc* arcs = current_->arcsOf(index);
    const std::string name = Satellite_Name(current_->ids[index]);
    size_t at = 0;
    for (size_t t = 0; t < types; ++t) {
        const size_t stop = std::min(line.find(' ', at), line.size());
        const std::string_view field = line.substr(std::min(at, line.size()), stop - std::min(at, line.size()));
        at = stop + 1;
        if (field.empty()) {
            arcs[t].active = false;
            continue;
        }
        const Status status = readField(arcs[t], field, "satellite " + name + ", field " + std::to_string(t + 1));
        if (status != Status::kLine) return status;
    }
    const std::string_view flags = at < line.size() ? line.substr(at) : std::string_view();
    if (flags.size() > 2 * types)
        return fail("satellite " + name + ": more fields than its " + std::to_string(types) + " observation types");
    char* state = current_->flagsOf(index);
    for (size_t i = 0; i < flags.size(); ++i) {
        const char c = flags[i];
        if (c < ' ' || c > '~') return fail("satellite " + name + ": flag is not a printable character");
        if (c == kArcMark) {
            state[i] = ' ';
        } else if (c != ' ') {
            state[i] = c;
        }
    }
    return Status::kLine;
}

void Decoder::emitEpochLines(uint64_t sourceLine) {
    const EpochLayout& layout = Epoch_Layout(types_->rinexMajor);
    std::string_view text = epochText_;
    std::string_view fixed = text.substr(0, std::min(layout.fixedWidth, text.size()));
    std::string_view ids = text.substr(fixed.size());
    const size_t begin = out_.size();
    out_.append(fixed);
    if (types_->rinexMajor < 3) {
        out_.append(layout.fixedWidth - fixed.size(), ' ');
        out_.append(ids.substr(0, std::min(ids.size(), kIdsPerLine2 * kIdWidth)));
        ids.remove_prefix(std::min(ids.size(), kIdsPerLine2 * kIdWidth));
    } else {
        ids = {};  // RINEX 3 names each satellite on its own line
    }
    if (current_->clock.active) {
        out_.resize(begin + layout.clockIndex, ' ');
        if (!Append_Scaled(out_, current_->clock.value(), layout.clockDecimals, layout.clockWidth)) {
            fail("receiver clock does not fit its columns");
        }
    }
    out_.resize(begin + Trim_Right(std::string_view(out_).substr(begin)).size());
    ends_.push_back(out_.size());
    sources_.push_back(sourceLine);
    while (!ids.empty()) {
        out_.append(layout.fixedWidth, ' ');
        out_.append(ids.substr(0, std::min(ids.size(), kIdsPerLine2 * kIdWidth)));
        ids.remove_prefix(std::min(ids.size(), kIdsPerLine2 * kIdWidth));
        ends_.push_back(out_.size());
        sources_.push_back(sourceLine);
    }
}

void Decoder::emitSatellite(size_t index, uint64_t sourceLine) {
    const size_t types = current_->typeCount[index];
    const Arc* arcs = current_->arcsOf(index);
    const char* flags = current_->flagsOf(index);
    const bool rinex3 = types_->rinexMajor >= 3;
    size_t begin = out_.size();
    if (rinex3) out_.append(current_->ids[index].data(), kIdWidth);
    auto endLine = [&] {
        out_.resize(begin + Trim_Right(std::string_view(out_).substr(begin)).size());
        ends_.push_back(out_.size());
        sources_.push_back(sourceLine);
        begin = out_.size();
    };
    for (size_t t = 0; t < types; ++t) {
        if (arcs[t].active) {
            if (!Append_Scaled(out_, arcs[t].value(), kValueDecimals, kValueWidth)) {
                fail("satellite " + Satellite_Name(current_->ids[index]) + ", field " + std::to_string(t + 1) +
                     ": value does not fit F14.3");
            }
            out_.append(flags + 2 * t, 2);
        } else {
            out_.append(kValueWidth, ' ');
            // Compact RINEX 1 does not code the flags of an empty field.
            if (version_ == 1) {
                out_.append(2, ' ');
            } else {
                out_.append(flags + 2 * t, 2);
            }
        }
        if (!rinex3 && (t + 1) % kFieldsPerLine2 == 0 && t + 1 < types) endLine();
    }
    endLine();
}

}  // namespace zer2ivi::crinex
