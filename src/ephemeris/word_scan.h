// The fast paths of the ephemeris readers and their plain twins (internal
// to this folder).  Both give the same results; the CMake option
// ZER2IVI_FAST_PATHS=OFF builds the twins, and the tests run both.
//   ZER2IVI_SSE2         where the processor has SSE2, words are looked at
//                        16 characters at a time (off: ZER2IVI_NO_SIMD);
//   ZER2IVI_BLOCK_COPIES short words are moved as one 32-byte block (off:
//                        ZER2IVI_NO_BLOCK_COPIES).
#pragma once

#if defined(__SSE2__) && !defined(ZER2IVI_NO_SIMD)
#define ZER2IVI_SSE2 1
#include <emmintrin.h>
#endif

#if !defined(ZER2IVI_NO_BLOCK_COPIES)
#define ZER2IVI_BLOCK_COPIES 1
#endif
