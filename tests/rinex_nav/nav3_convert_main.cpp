// z2i_nav3 EPHEMERIS NAV [RUN_BY]: writes the RINEX 3.04 navigation file of
// an ephemeris file; for the interoperability test, which compares it with
// the version 2 file the tool writes.
#include <cstdio>

#include "rinex_nav/rinex_nav.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: z2i_nav3 EPHEMERIS NAV [RUN_BY]\n");
        return 2;
    }
    zer2ivi::Nav3Options options;
    options.runBy = argc == 4 ? argv[3] : "";
    const zer2ivi::Nav3Result result = zer2ivi::Ephemeris_To_Nav3(argv[1], argv[2], options);
    if (!result.message.empty()) std::fprintf(stderr, "z2i_nav3: %s\n", result.message.c_str());
    std::printf("%d records\n", result.records);
    return result.status == 0 ? 0 : 1;
}
