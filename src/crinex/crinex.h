// Compact RINEX ("Hatanaka" compression), CRINEX 1.0 for RINEX 2 and 3.0 for
// RINEX 3 and 4, at the level of text lines: the decoder is a line source
// that turns the lines of a compact file into the lines of the plain RINEX
// observation file; the encoder takes plain lines and hands compact lines to
// a sink.  Both hold one epoch and, per satellite and field, the state of
// its arc of differences; never the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "textio/line_source.h"
#include "textio/output_file.h"

namespace zer2ivi::crinex {

using textio::LineSource;

// A receiver of lines (line end not included).  write false stops the run.
class LineSink {
public:
    virtual ~LineSink() = default;
    virtual bool write(std::string_view line) = 0;
    virtual const std::string& error() const = 0;
};

// True when line is the first line of a compact file.
bool Is_Compact_First_Line(std::string_view line);

struct Arc;         // one field's differences
struct TypeCounts;  // observation types per system, from the header
struct EpochState;  // satellites of one epoch with their arcs and flags

// Compact lines in, plain RINEX lines out, one at a time.  Each decoded line
// stays valid until the next call; its raw form ends in "\n".  lineNumber()
// is the line of the compact file that the line last handed out comes from.
// A file that ends inside an epoch (or a compressed stream cut short) is an
// error with endedShort(), after every whole epoch before it.
class Decoder final : public LineSource {
public:
    explicit Decoder(LineSource& in);
    ~Decoder() override;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    Status next(std::string_view& text, std::string_view& raw) override;
    uint64_t lineNumber() const override { return lineNumber_; }
    const std::string& path() const override { return in_.path(); }
    const std::string& error() const override { return error_; }
    bool endedShort() const override { return endedShort_; }
    // The CRINEX version read from the first line: 1 or 3 (0 before).
    int compactVersion() const { return version_; }
    uint64_t epochCount() const { return epochs_; }

private:
    Status fail(const std::string& what);
    Status pull(std::string_view& line, bool insideEpoch);
    Status readHeaderLine();
    Status readEpoch();
    Status readField(Arc& arc, std::string_view text, const std::string& what);
    Status readSatellite(size_t index, std::string_view line);
    void emit(std::string_view text, uint64_t sourceLine);
    void emitEpochLines(uint64_t sourceLine);
    void emitSatellite(size_t index, uint64_t sourceLine);

    LineSource& in_;
    std::string error_;
    bool endedShort_ = false;
    int version_ = 0;
    bool inHeader_ = true;
    uint64_t epochs_ = 0;
    uint64_t lineNumber_ = 0;
    std::string epochText_;  // the last epoch line, undifferenced
    size_t pendingEvents_ = 0;
    std::unique_ptr<TypeCounts> types_;
    std::unique_ptr<EpochState> previous_;
    std::unique_ptr<EpochState> current_;
    // The plain lines of the epoch being handed out.
    std::string out_;
    std::vector<size_t> ends_;
    std::vector<uint64_t> sources_;
    size_t handedOut_ = 0;
    std::string line_;  // the line handed out, with its line end
};

// Plain lines in (add), compact lines out to the sink.  The second line
// names the program and the date given ("dd-Mon-yy hh:mm").
class Encoder {
public:
    enum class Status { kOk, kError };
    Encoder(LineSink& out, std::string name, std::string date);
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    Status add(std::string_view line);
    // After the last line: an error when the text ends inside an epoch.
    Status finish();
    const std::string& error() const { return error_; }
    uint64_t epochCount() const { return epochs_; }

private:
    Status fail(const std::string& what);
    Status write(std::string_view line);
    Status addHeaderLine(std::string_view line);
    Status startEpoch(std::string_view line);
    Status addSatelliteLine(std::string_view line);
    Status writeEpoch();

    LineSink& out_;
    std::string name_;
    std::string date_;
    std::string error_;
    uint64_t line_ = 0;
    uint64_t epochs_ = 0;
    int version_ = 0;  // RINEX major version, 0 before the first line
    bool inHeader_ = true;
    bool fullNext_ = true;
    size_t eventLines_ = 0;     // event records still to pass on
    size_t idLinesLeft_ = 0;    // RINEX 2 continuation lines of ids
    size_t satsLeft_ = 0;       // satellites whose lines are still due
    size_t lineOfSat_ = 0;      // RINEX 2: line within the satellite
    bool hasClock_ = false;
    int64_t clock_ = 0;
    std::string epochText_;     // compact epoch text of this epoch
    std::string previousText_;  // and of the one before
    std::string scratch_;
    std::unique_ptr<TypeCounts> types_;
    std::unique_ptr<EpochState> previous_;
    std::unique_ptr<EpochState> current_;
};

// The date of line 2 for now, UTC ("07-Dec-26 19:30").
std::string Compact_Date_Now();

// Lines to an output file, each followed by "\n".
class FileLineSink final : public LineSink {
public:
    explicit FileLineSink(textio::OutputFile& file) : file_(file) {}
    bool write(std::string_view line) override;
    const std::string& error() const override { return error_; }

private:
    textio::OutputFile& file_;
    std::string error_;
};

// An observation file being written as plain RINEX or, compact, as Compact
// RINEX: the bytes of plain RINEX lines go in; compact, each whole line
// passes through the Encoder on its way to the file (one epoch in memory).
// The file is plain or gzip, at its path or staged (textio::OutputFile).
// Text that the Encoder cannot take (an epoch cut short) fails the close.
class ObservationOutput {
public:
    ObservationOutput() : sink_(file_) {}
    // `source` names the text in the Encoder's messages (FILE:LINE); empty:
    // the path.
    bool open(const std::string& path, bool gzip, bool compact, const std::string& source = {});
    bool openStaged(const std::string& finalPath, bool gzip, bool compact, const std::string& source = {});
    bool write(std::string_view bytes);
    bool close();
    bool commit();  // staged only
    const std::string& error() const { return error_; }

private:
    bool start(bool opened, bool compact, const std::string& path);
    bool addLine(std::string_view line);
    bool finishText();
    bool fail(const std::string& what);

    textio::OutputFile file_;
    FileLineSink sink_;
    std::unique_ptr<Encoder> encoder_;
    std::string pending_;  // the start of a line not yet complete
    std::string error_;
};

// Whole files, all or nothing (written to a temporary name beside out and
// renamed).  The input is plain, gzip or Unix compress; the output is gzip
// when its name ends in ".gz".  false with error set ("FILE:LINE: what").
bool Decode_File(const std::string& in, const std::string& out, std::string& error);
bool Encode_File(const std::string& in, const std::string& out, std::string& error);

// The lines of an observation file as plain RINEX, whether the file is
// plain, gzip or Unix compress, compact or not (told by its first line).
class ObservationLines final : public LineSource {
public:
    // false with error() set when the file cannot be opened.
    bool open(const std::string& path);
    // Bytes in memory, which must outlive the source.
    void openMemory(const std::string& name, std::string_view bytes);
    void close() {
        decoder_.reset();
        file_.close();
    }
    bool isCompact() const { return decoder_ != nullptr; }

    Status next(std::string_view& text, std::string_view& raw) override {
        return decoder_ ? decoder_->next(text, raw) : file_.next(text, raw);
    }
    uint64_t lineNumber() const override { return decoder_ ? decoder_->lineNumber() : file_.lineNumber(); }
    const std::string& path() const override { return file_.path(); }
    const std::string& error() const override { return decoder_ ? decoder_->error() : file_.error(); }
    bool endedShort() const override { return decoder_ ? decoder_->endedShort() : file_.endedShort(); }

private:
    textio::TextSource file_;
    std::unique_ptr<Decoder> decoder_;
};

}  // namespace zer2ivi::crinex
