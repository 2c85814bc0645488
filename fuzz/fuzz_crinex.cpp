// Bytes -> the Compact RINEX decoder, line by line.  Every error names the
// input and a line; a text that decodes and encodes again decodes to the
// same text (the encoder may refuse what no RINEX writer would write).
// Bytes that begin as a Unix compress file go through the file reader's
// LZW decoder instead, to the end.
#include <string>
#include <string_view>

#include "crinex/crinex.h"
#include "harness_support.h"

using namespace zer2ivi;

namespace {

class StringSink final : public crinex::LineSink {
public:
    bool write(std::string_view line) override {
        text.append(line);
        text.push_back('\n');
        return true;
    }
    const std::string& error() const override { return error_; }
    std::string text;

private:
    std::string error_;
};

// The decoded text, or nothing with error set.
bool Decode(std::string_view compact, std::string& text, std::string& error) {
    textio::TextSource lines;
    lines.openMemory("in.crx", compact);
    crinex::Decoder decoder(lines);
    std::string_view line, raw;
    crinex::LineSource::Status status;
    while ((status = decoder.next(line, raw)) == crinex::LineSource::Status::kLine) {
        Z2I_FUZZ_CHECK(line.size() <= 16 * 1024 * 1024);
        text.append(line);
        text.push_back('\n');
    }
    error = decoder.error();
    return status == crinex::LineSource::Status::kEnd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 2 && data[0] == 0x1f && data[1] == 0x9d) {
        static const std::string path = fuzz::ProcessTempDir::instance().file("input.Z");
        fuzz::Write_Bytes(path, data, size);
        textio::TextSource lines;
        if (!lines.open(path)) {
            Z2I_FUZZ_CHECK(lines.error().rfind(path + ":", 0) == 0);
            return 0;
        }
        std::string_view line, raw;
        crinex::LineSource::Status status;
        while ((status = lines.next(line, raw)) == crinex::LineSource::Status::kLine)
            Z2I_FUZZ_CHECK(line.size() <= textio::kMaxLineLength);
        if (status == crinex::LineSource::Status::kError) Z2I_FUZZ_CHECK(lines.error().rfind(path + ":", 0) == 0);
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string plain, error;
    if (!Decode(input, plain, error)) {
        Z2I_FUZZ_CHECK(error.rfind("in.crx:", 0) == 0);
        return 0;
    }
    Z2I_FUZZ_CHECK(error.empty());
    StringSink sink;
    crinex::Encoder encoder(sink, "in.rnx", "06-Dec-26 16:33");
    textio::TextSource lines;
    lines.openMemory("in.rnx", plain);
    std::string_view line, raw;
    bool encoded = true;
    while (encoded && lines.next(line, raw) == crinex::LineSource::Status::kLine)
        encoded = encoder.add(line) == crinex::Encoder::Status::kOk;
    if (!encoded || encoder.finish() != crinex::Encoder::Status::kOk) {
        Z2I_FUZZ_CHECK(encoder.error().rfind("in.rnx:", 0) == 0);
        return 0;
    }
    std::string again;
    Z2I_FUZZ_CHECK(Decode(sink.text, again, error));
    Z2I_FUZZ_CHECK(again == plain);
    return 0;
}
