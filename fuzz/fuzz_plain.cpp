// Bytes -> the plain ephemeris form (six lines of numbers per ephemeris)
// -> Next_Plain_Ephemeris until the end -> Write_Nav_Record.
#include "fuzz_ephemeris_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zer2ivi::fuzz::Run_Ephemeris_Source(data, size, "input.plain", false,
                                        zer2ivi::Next_Plain_Ephemeris);
    return 0;
}
