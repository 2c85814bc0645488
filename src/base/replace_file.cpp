// The rename that completes an all-or-nothing output: on Windows rename()
// refuses an existing destination, so MoveFileEx replaces it there.
#include <cstdio>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "base/output_file.h"

namespace zer2ivi {

bool Replace_File(const char* from, const char* to) {
#if defined(_WIN32)
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

}  // namespace zer2ivi
