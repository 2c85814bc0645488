// The whole-file conversions and the observation output that encodes on
// its way to the file.
#include <zlib.h>

#include <cstdio>
#include <ctime>

#include "crinex/compact_text.h"
#include "rinex_text/rinex_text.h"

namespace zer2ivi::crinex {
namespace {

constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool Ends_With(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

bool FileLineSink::write(std::string_view line) {
    if (!file_.write(line) || !file_.write("\n")) {
        error_ = file_.error();
        return false;
    }
    return true;
}

bool ObservationOutput::open(const std::string& path, bool gzip, bool compact, const std::string& source) {
    return start(file_.open(path, gzip), compact, source.empty() ? path : source);
}

bool ObservationOutput::openStaged(const std::string& finalPath, bool gzip, bool compact,
                                   const std::string& source) {
    return start(file_.openStaged(finalPath, gzip), compact, source.empty() ? finalPath : source);
}

bool ObservationOutput::start(bool opened, bool compact, const std::string& path) {
    error_.clear();
    pending_.clear();
    encoder_.reset();
    if (!opened) {
        error_ = file_.error();
        return false;
    }
    if (compact) encoder_ = std::make_unique<Encoder>(sink_, path, Compact_Date_Now());
    return true;
}

bool ObservationOutput::fail(const std::string& what) {
    if (error_.empty()) error_ = what;
    return false;
}

bool ObservationOutput::addLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (encoder_->add(line) != Encoder::Status::kOk) return fail(encoder_->error());
    return true;
}

bool ObservationOutput::write(std::string_view bytes) {
    if (!error_.empty()) return false;
    if (encoder_ == nullptr) return file_.write(bytes) || fail(file_.error());
    while (!bytes.empty()) {
        const size_t newline = bytes.find('\n');
        if (newline == std::string_view::npos) {
            if (pending_.size() + bytes.size() > textio::kMaxLineLength + 1)
                return fail("line longer than " + std::to_string(textio::kMaxLineLength) + " characters");
            pending_.append(bytes);
            return true;
        }
        bool ok = true;
        if (pending_.empty()) {
            ok = addLine(bytes.substr(0, newline));
        } else {
            pending_.append(bytes.substr(0, newline));
            ok = addLine(pending_);
            pending_.clear();
        }
        if (!ok) return false;
        bytes.remove_prefix(newline + 1);
    }
    return true;
}

bool ObservationOutput::finishText() {
    if (encoder_ == nullptr || !error_.empty()) return error_.empty();
    if (!pending_.empty()) {
        if (!addLine(pending_)) return false;
        pending_.clear();
    }
    if (encoder_->finish() != Encoder::Status::kOk) return fail(encoder_->error());
    return true;
}

bool ObservationOutput::close() {
    const bool text = finishText();
    const bool closed = file_.close();
    if (!closed) fail(file_.error());
    return text && closed;
}

bool ObservationOutput::commit() {
    if (!finishText()) return false;
    return file_.commit() || fail(file_.error());
}

std::string Compact_Date_Now() {
    const std::tm utc = Utc_Now();
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%s-%02d %02d:%02d", utc.tm_mday, kMonths[utc.tm_mon % 12],
                  utc.tm_year % 100, utc.tm_hour, utc.tm_min);
    return text;
}

bool Decode_File(const std::string& in, const std::string& out, std::string& error) {
    textio::TextSource lines;
    if (!lines.open(in)) {
        error = lines.error();
        return false;
    }
    Decoder decoder(lines);
    textio::OutputFile file;
    if (!file.openStaged(out, Ends_With(out, ".gz"))) {
        error = file.error();
        return false;
    }
    std::string_view text, raw;
    LineSource::Status status;
    while ((status = decoder.next(text, raw)) == LineSource::Status::kLine) {
        if (!file.write(raw)) {
            error = file.error();
            return false;
        }
    }
    if (status == LineSource::Status::kError) {
        error = decoder.error();
        return false;
    }
    if (!file.commit()) {
        error = file.error();
        return false;
    }
    return true;
}

bool Encode_File(const std::string& in, const std::string& out, std::string& error) {
    textio::TextSource lines;
    if (!lines.open(in)) {
        error = lines.error();
        return false;
    }
    ObservationOutput output;
    if (!output.openStaged(out, Ends_With(out, ".gz"), true, in)) {
        error = output.error();
        return false;
    }
    std::string_view text, raw;
    LineSource::Status status;
    while ((status = lines.next(text, raw)) == LineSource::Status::kLine) {
        if (!output.write(raw)) {
            error = output.error();
            return false;
        }
    }
    if (status == LineSource::Status::kError) {
        error = lines.error();
        return false;
    }
    if (!output.commit()) {
        error = output.error();
        return false;
    }
    return true;
}

bool ObservationLines::open(const std::string& path) {
    decoder_.reset();
    if (!file_.open(path)) return false;
    std::string_view text, raw;
    const bool compact = file_.next(text, raw) == LineSource::Status::kLine && Is_Compact_First_Line(text);
    if (!file_.rewind()) return false;
    if (compact) decoder_ = std::make_unique<Decoder>(file_);
    return true;
}

void ObservationLines::openMemory(const std::string& name, std::string_view bytes) {
    decoder_.reset();
    file_.openMemory(name, bytes);
    std::string_view text, raw;
    const bool compact = file_.next(text, raw) == LineSource::Status::kLine && Is_Compact_First_Line(text);
    file_.rewind();
    if (compact) decoder_ = std::make_unique<Decoder>(file_);
}

}  // namespace zer2ivi::crinex
