# Cross build for 32-bit Windows with Debian's MinGW-w64 compilers (the
# win32-threads variant: no winpthread DLL to carry along).
#
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake
#
# SSE2 arithmetic instead of the x87 unit: every double is rounded to 64 bits
# at each step, exactly as on x86-64, so the numbers written match the Linux
# build digit for digit.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(ZER2IVI_MINGW_PREFIX i686-w64-mingw32 CACHE STRING "Prefix of the MinGW-w64 tools")
set(ZER2IVI_MINGW_SUFFIX -win32 CACHE STRING "Suffix of the compiler names (threads variant)")

find_program(CMAKE_C_COMPILER NAMES ${ZER2IVI_MINGW_PREFIX}-gcc${ZER2IVI_MINGW_SUFFIX} REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ZER2IVI_MINGW_PREFIX}-g++${ZER2IVI_MINGW_SUFFIX} REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ZER2IVI_MINGW_PREFIX}-windres)
find_program(CMAKE_AR NAMES ${ZER2IVI_MINGW_PREFIX}-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES ${ZER2IVI_MINGW_PREFIX}-ranlib REQUIRED)
find_program(ZER2IVI_MINGW_OBJDUMP NAMES ${ZER2IVI_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${ZER2IVI_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# Everything from the toolchain linked in: the DLL and the test programs
# import nothing but Windows system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# zlib (Debian's libz-mingw-w64-dev) linked in too: libz.a, not the import
# library of zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)

# Test programs built here can be run with Wine.
find_program(ZER2IVI_WINE NAMES wine)
if(ZER2IVI_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZER2IVI_WINE})
endif()
