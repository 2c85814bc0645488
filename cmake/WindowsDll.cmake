# zer2ivi.dll for 32-bit Windows hosts (cross build: see
# cmake/toolchain-mingw32.cmake).
#
# The export table comes from cmake/zer2ivi.def alone: _Zeb_To_Rinex@8 at
# ordinal 1 and _Get_Error_Str@4 at ordinal 2, both stdcall, nothing else
# (no dllexport attributes, no automatic exports).  The C++ runtime and the
# MinGW support code are linked in statically, so the DLL imports only
# Windows system DLLs.
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  message(WARNING "zer2ivi.dll: the exported names are those of 32-bit stdcall; "
                  "this is a ${CMAKE_SIZEOF_VOID_P}-byte-pointer target")
endif()

set(ZER2IVI_DEF_FILE ${PROJECT_SOURCE_DIR}/cmake/zer2ivi.def)

add_library(zer2ivi SHARED ${ZER2IVI_ALL_OBJECTS} ${ZER2IVI_DEF_FILE})
set_target_properties(zer2ivi PROPERTIES
  PREFIX ""
  OUTPUT_NAME zer2ivi
  LINK_DEPENDS ${ZER2IVI_DEF_FILE})
target_include_directories(zer2ivi PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
if(MINGW)
  target_link_options(zer2ivi PRIVATE
    -static -static-libgcc -static-libstdc++
    -Wl,--exclude-all-symbols -Wl,--no-undefined)
endif()

# The Windows test host: loads zer2ivi.dll at run time, resolves both entry
# points by name and by ordinal and runs one conversion (tests/windows).
option(ZER2IVI_BUILD_WINDOWS_HOST "Build the DLL test host program" ON)
if(ZER2IVI_BUILD_WINDOWS_HOST)
  add_executable(zer2ivi_host ${PROJECT_SOURCE_DIR}/tests/windows/host.c)
  set_target_properties(zer2ivi_host PROPERTIES OUTPUT_NAME zer2ivi_host)
  target_include_directories(zer2ivi_host PRIVATE ${PROJECT_SOURCE_DIR}/include)
  target_compile_options(zer2ivi_host PRIVATE -Wall -Wextra -Wpedantic -Wconversion -Wshadow)
  if(MINGW)
    target_link_options(zer2ivi_host PRIVATE -static -static-libgcc)
  endif()
endif()

# The unit tests need GoogleTest built for the target, which a cross
# toolchain normally lacks: they are left out then (the Linux build runs
# them).
if(ZER2IVI_BUILD_TESTS)
  find_package(GTest QUIET)
  if(NOT GTest_FOUND)
    message(STATUS "zer2ivi: no GoogleTest for this target, unit tests not built")
    set(ZER2IVI_BUILD_TESTS OFF)
  endif()
endif()
