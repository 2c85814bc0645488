// Bytes -> the readers the tool and the job use on outside input: the walk
// of a binary observation log's records, the read-back of a navigation
// file (the RINEX 2 navigation reader in its tolerant mode, against its
// strict one), and the JSON text of a file name.
#include <clocale>
#include <cstdlib>
#include <string>

#include "cli_support.h"
#include "harness_support.h"
#include "rinex/nav_reader.h"
#include "text/json_text.h"
#include "zebfile/zebfile.h"

using namespace zer2ivi::cli;
using namespace zer2ivi::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool utf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
    const ProcessTempDir& dir = ProcessTempDir::instance();
    static const std::string path = dir.file("input");
    Write_Bytes(path, data, size);

    zer2ivi::ZebLogExtent extent;
    const zer2ivi::ZebWalkResult walked = zer2ivi::Zeb_Walk_Log(path.c_str(), extent);
    Z2I_FUZZ_CHECK(walked != zer2ivi::ZebWalkResult::Unreadable);
    Z2I_FUZZ_CHECK(extent.fileSize == size);
    if (walked == zer2ivi::ZebWalkResult::Walked) {
        Z2I_FUZZ_CHECK(extent.completeEnd >= 202 && extent.completeEnd <= extent.fileSize);
        Z2I_FUZZ_CHECK(extent.epochs == 0 || extent.hasFirstTimeOfWeek);
        // The whole file is whole epochs, or the walk says why not; a cut
        // position record is shorter than one.
        using zer2ivi::ZebStop;
        Z2I_FUZZ_CHECK((extent.stop == ZebStop::EndOfFile) == (extent.completeEnd == extent.fileSize));
        Z2I_FUZZ_CHECK(extent.stop != ZebStop::CutInPosition ||
                       extent.fileSize - extent.completeEnd < 68);
        Z2I_FUZZ_CHECK((extent.stop == ZebStop::EndOfFile) == (extent.stopReason[0] == '\0'));
    }

    // The tolerant reading reads every record the strict one does, with the
    // same orbit numbers where it found them whole, and goes on where the
    // strict one stops at a damaged field; both stop where a record is cut
    // short.
    {
        using zer2ivi::rinex::NavReader;
        NavReader strict, tolerant;
        std::string strictError, tolerantError;
        const bool strictOpen = strict.Open(path, strictError);
        const bool tolerantOpen = tolerant.Open(path, tolerantError, NavReader::Mode::Tolerant);
        Z2I_FUZZ_CHECK(strictOpen == tolerantOpen);
        if (tolerantOpen) {
            zer2ivi::rinex::GpsEphemeris a, b;
            NavReader::Result strictResult = NavReader::Result::Record;
            NavReader::Result tolerantResult;
            while ((tolerantResult = tolerant.Next(b, tolerantError)) == NavReader::Result::Record) {
                const zer2ivi::rinex::RecordDamage& damage = tolerant.Damage();
                Z2I_FUZZ_CHECK(damage.numberFields < (1u << zer2ivi::rinex::kNavNumberFieldCount));
                if (strictResult != NavReader::Result::Record) continue;
                strictResult = strict.Next(a, strictError);
                // The orbit lines: the first line may be read shifted.
                if (strictResult != NavReader::Result::Record) continue;
                for (size_t i = zer2ivi::rinex::kClockNumberFields;
                     i < zer2ivi::rinex::kNavNumberFieldCount; ++i) {
                    const auto field = zer2ivi::rinex::kNavNumberFields[i];
                    if (!damage.Number(i))
                        Z2I_FUZZ_CHECK(a.*field == b.*field || a.*field != a.*field);
                }
            }
            if (strictResult == NavReader::Result::Record) strictResult = strict.Next(a, strictError);
            if (tolerantResult == NavReader::Result::Error)
                Z2I_FUZZ_CHECK(tolerantError.rfind(path + ":", 0) == 0);
            if (strictResult == NavReader::Result::End)
                Z2I_FUZZ_CHECK(tolerantResult == NavReader::Result::End);
        }
    }

    const std::string json = zer2ivi::text::Json_String(std::string(reinterpret_cast<const char*>(data), size));
    Z2I_FUZZ_CHECK(json.size() >= 2 && json.front() == '"' && json.back() == '"');
    for (char c : json) Z2I_FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20);
    // glibc's own decoder: the text must be well-formed UTF-8.
    if (utf8) Z2I_FUZZ_CHECK(std::mbstowcs(nullptr, json.c_str(), 0) != static_cast<size_t>(-1));
    return 0;
}
