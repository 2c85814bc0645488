// Runs the compact codec over texts in memory for the tests.
#pragma once

#include <string>
#include <string_view>

#include "crinex/crinex.h"

namespace zer2ivi::testing {

struct CodecRun {
    bool ok = false;
    std::string text;   // lines joined with "\n", one after each line
    std::string error;
};

inline CodecRun Decode_Text(std::string_view compact, const std::string& name = "in.crx") {
    textio::TextSource lines;
    lines.openMemory(name, compact);
    crinex::Decoder decoder(lines);
    CodecRun run;
    std::string_view line, raw;
    crinex::LineSource::Status status;
    while ((status = decoder.next(line, raw)) == crinex::LineSource::Status::kLine) {
        run.text.append(line);
        run.text.push_back('\n');
    }
    run.ok = status == crinex::LineSource::Status::kEnd;
    run.error = decoder.error();
    return run;
}

class StringSink final : public crinex::LineSink {
public:
    explicit StringSink(std::string& out) : out_(out) {}
    bool write(std::string_view line) override {
        out_.append(line);
        out_.push_back('\n');
        return true;
    }
    const std::string& error() const override { return error_; }

private:
    std::string& out_;
    std::string error_;
};

inline CodecRun Encode_Text(std::string_view plain, const std::string& name = "in.rnx",
                            const std::string& date = "06-Dec-26 16:33") {
    CodecRun run;
    StringSink sink(run.text);
    crinex::Encoder encoder(sink, name, date);
    textio::TextSource lines;
    lines.openMemory(name, plain);
    std::string_view line, raw;
    bool ok = true;
    while (ok && lines.next(line, raw) == crinex::LineSource::Status::kLine)
        ok = encoder.add(line) == crinex::Encoder::Status::kOk;
    run.ok = ok && encoder.finish() == crinex::Encoder::Status::kOk;
    run.error = encoder.error();
    return run;
}

}  // namespace zer2ivi::testing
