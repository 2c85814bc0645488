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

namespace zer2ivi::crinex {

// A source of text lines (line end removed).  kError sets error()
// ("FILE:LINE: what").  lineNumber() is the line of the file that the line
// last handed out comes from, for messages of the reader above.
class LineSource {
public:
    enum class Status { kLine, kEnd, kError };
    virtual ~LineSource() = default;
    virtual Status next(std::string_view& line) = 0;
    virtual uint64_t lineNumber() const = 0;
    virtual const std::string& name() const = 0;
    virtual const std::string& error() const = 0;
};

// Any source with next(text, raw), lineNumber(), path() and error() (the
// RINEX reader's file source) seen as a LineSource.
template <class Source>
class SourceLines final : public LineSource {
public:
    explicit SourceLines(Source& source) : source_(source) {}
    Status next(std::string_view& line) override {
        std::string_view raw;
        switch (source_.next(line, raw)) {
            case Source::Status::kLine: return Status::kLine;
            case Source::Status::kEnd: return Status::kEnd;
            default: return Status::kError;
        }
    }
    uint64_t lineNumber() const override { return source_.lineNumber(); }
    const std::string& name() const override { return source_.path(); }
    const std::string& error() const override { return source_.error(); }

private:
    Source& source_;
};

// The lines of a text held in memory ("\n" or "\r\n" ends).
class MemoryLines final : public LineSource {
public:
    MemoryLines(std::string name, std::string_view text) : name_(std::move(name)), text_(text) {}
    Status next(std::string_view& line) override;
    uint64_t lineNumber() const override { return line_; }
    const std::string& name() const override { return name_; }
    const std::string& error() const override { return error_; }

private:
    std::string name_;
    std::string error_;
    std::string_view text_;
    size_t at_ = 0;
    uint64_t line_ = 0;
};

class LzwReader;  // Unix compress (.Z) streams

// The lines of a file, plain, gzip (zlib tells them apart) or Unix compress
// (.Z, told by its first two bytes).
class FileLines final : public LineSource {
public:
    // The longest line accepted: a compact line carries about 16 characters
    // per observation type, and RINEX 3 lines have no 80-column limit.
    static constexpr size_t kMaxLineLength = 4095;

    FileLines();
    FileLines(const FileLines&) = delete;
    FileLines& operator=(const FileLines&) = delete;
    ~FileLines() override;
    bool open(const std::string& path);  // false with error() set
    void close();
    Status next(std::string_view& line) override;
    uint64_t lineNumber() const override { return line_; }
    const std::string& name() const override { return path_; }
    const std::string& error() const override { return error_; }

private:
    bool fill();
    void* file_ = nullptr;  // gzFile
    std::unique_ptr<LzwReader> lzw_;
    std::string path_;
    std::string error_;
    uint64_t line_ = 0;
    bool atEnd_ = false;
    size_t begin_ = 0;
    size_t end_ = 0;
    std::vector<char> buffer_;
};

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
// stays valid until the next call.
class Decoder final : public LineSource {
public:
    explicit Decoder(LineSource& in);
    ~Decoder() override;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    Status next(std::string_view& line) override;
    uint64_t lineNumber() const override { return lineNumber_; }
    const std::string& name() const override { return in_.name(); }
    const std::string& error() const override { return error_; }
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

// Whole files, all or nothing (written to a temporary name beside out and
// renamed).  The input is plain, gzip or Unix compress; the output is gzip when its name
// ends in ".gz".  false with error set ("FILE:LINE: what").
bool Decode_File(const std::string& in, const std::string& out, std::string& error);
bool Encode_File(const std::string& in, const std::string& out, std::string& error);

// The lines of an observation file as plain RINEX, whether the file is
// plain, gzip or Unix compress, compact or not (told by content).  nullptr with
// error set when it cannot be opened.
std::unique_ptr<LineSource> Open_Observation_Lines(const std::string& path, std::string& error);

}  // namespace zer2ivi::crinex
