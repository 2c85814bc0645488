// Bytes -> the command-line tool's own readers of outside input: the walk of
// a binary observation log's record layout, the read-back of a navigation
// file, and the JSON text of a file name.
#include <clocale>
#include <cstdlib>
#include <string>

#include "cli_support.h"
#include "harness_support.h"
#include "nav_records.h"
#include "zeb_header_peek.h"

using namespace zer2ivi::cli;
using namespace zer2ivi::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool utf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
    const ProcessTempDir& dir = ProcessTempDir::instance();
    static const std::string path = dir.file("input");
    Write_Bytes(path, data, size);

    ZebLogExtent extent;
    if (!Scan_Zeb_Log(path, extent)) {
        Z2I_FUZZ_CHECK(extent.fileSize == size);
        Z2I_FUZZ_CHECK(extent.completeEnd >= 202 && extent.completeEnd <= extent.fileSize);
        Z2I_FUZZ_CHECK(extent.epochs == 0 || extent.firstTimeOfWeek.has_value());
        // The walk stops only at a refused record or less than a position
        // record before the end.
        Z2I_FUZZ_CHECK(!extent.refusal.empty() || extent.fileSize - extent.completeEnd < 68);
    }

    int64_t lastIndex = 0;
    Read_Nav_Records(path, [&](const NavRecordFacts& record) {
        Z2I_FUZZ_CHECK(record.index == lastIndex + 1);
        lastIndex = record.index;
    });

    const std::string json = Json_String(std::string(reinterpret_cast<const char*>(data), size));
    Z2I_FUZZ_CHECK(json.size() >= 2 && json.front() == '"' && json.back() == '"');
    for (char c : json) Z2I_FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20);
    // glibc's own decoder: the text must be well-formed UTF-8.
    if (utf8) Z2I_FUZZ_CHECK(std::mbstowcs(nullptr, json.c_str(), 0) != static_cast<size_t>(-1));
    return 0;
}
