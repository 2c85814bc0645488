// Bytes -> the tagged ephemeris form ("$EPHREC" first line, "GpsEph { }"
// blocks) -> Next_Tagged_Ephemeris until the end -> Write_Nav_Record.
#include "fuzz_ephemeris_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zer2ivi::fuzz::Run_Ephemeris_Source(data, size, "input.tagged", true,
                                        zer2ivi::Next_Tagged_Ephemeris);
    return 0;
}
