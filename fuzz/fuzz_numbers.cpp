// Bytes -> the number readings of the ephemeris values, against the C
// library in the C locale: Read_Double and Read_Double_In as strtod reads
// the text, and Scan_Formatted_Double as the formatted scan's %lf (glibc's
// sscanf) reads one value of the tagged form.  A difference aborts.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "numbers/numbers.h"

namespace {

// The same value; every not-a-number of one sign is one value.
bool Same(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    }
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void Check(bool condition, const char* what, const std::string& text) {
    if (condition) return;
    std::fprintf(stderr, "%s differs for \"%s\"\n", what, text.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A text within the range readers' limit, up to its first NUL.
    const size_t kept = size < 200 ? size : 200;
    std::string text(reinterpret_cast<const char*>(data), kept);
    text.resize(std::strlen(text.c_str()));

    char* cEnd = nullptr;
    const double expected = std::strtod(text.c_str(), &cEnd);
    const char* end = nullptr;
    const double value = zer2ivi::Read_Double(text.c_str(), &end);
    Check(end == cEnd && Same(value, expected), "Read_Double", text);

    const char* stop = nullptr;
    const double ranged =
        zer2ivi::Read_Double_In(text.data(), text.data() + text.size(), &stop);
    Check(stop - text.data() == cEnd - text.c_str() && Same(ranged, expected), "Read_Double_In",
          text);

#if defined(__GLIBC__)
    // One value of the tagged form: the characters after the blanks, up to
    // the next blank.
    size_t first = 0;
    while (first < text.size() && zer2ivi::Is_White(text[first])) ++first;
    size_t last = first;
    while (last < text.size() && !zer2ivi::Is_White(text[last])) ++last;
    const std::string token = text.substr(first, last - first);
    if (!token.empty()) {
        double scanned = 0.0;
        int taken = 0;
        const bool converted = std::sscanf(token.c_str(), "%lf%n", &scanned, &taken) == 1;
        double mine = 0.0;
        const char* mineStop = nullptr;
        const bool ok = zer2ivi::Scan_Formatted_Double(token.data(), token.data() + token.size(),
                                                       mine, mineStop);
        Check(ok == converted, "Scan_Formatted_Double (converted)", token);
        if (ok) {
            Check(mineStop - token.data() == taken && Same(mine, scanned),
                  "Scan_Formatted_Double (value, characters taken)", token);
        }
    }
#endif
    return 0;
}
