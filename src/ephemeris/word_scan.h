// Whether the ephemeris readers look at 16 characters at a time (internal to
// this folder).  Where the processor has SSE2 they do, unless the build
// chose the one-character-at-a-time twin (ZER2IVI_NO_SIMD, the CMake option
// ZER2IVI_SIMD=OFF); both give the same results.
#pragma once

#if defined(__SSE2__) && !defined(ZER2IVI_NO_SIMD)
#define ZER2IVI_SSE2 1
#include <emmintrin.h>
#endif
