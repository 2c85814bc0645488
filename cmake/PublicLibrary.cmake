# The public libraries: libzer2ivi.so (only Zeb_To_Rinex and Get_Error_Str
# exported) and libzer2ivi.a, with an installed CMake package and a
# pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

add_library(zer2ivi SHARED ${ZER2IVI_ALL_OBJECTS})
set_target_properties(zer2ivi PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/zer2ivi.map)
# Only the two exports leave the library, and every symbol must resolve at
# link time.  The GNU linker (and lld, gold, mold) take a version script and
# --no-undefined; Apple's linker takes a list of exported symbols (C names
# with their leading underscore) and refuses undefined symbols by default.
# Each option is used only where the linker accepts it, so other platforms
# still configure and link.
include(CheckLinkerFlag)
set(ZER2IVI_VERSION_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/zer2ivi.map)
set(ZER2IVI_EXPORTED_SYMBOLS ${PROJECT_SOURCE_DIR}/cmake/zer2ivi.exports)
check_linker_flag(CXX "-Wl,--version-script=${ZER2IVI_VERSION_SCRIPT}" ZER2IVI_HAS_VERSION_SCRIPT)
check_linker_flag(CXX "-Wl,--no-undefined" ZER2IVI_HAS_NO_UNDEFINED)
if(ZER2IVI_HAS_VERSION_SCRIPT)
  target_link_options(zer2ivi PRIVATE -Wl,--version-script=${ZER2IVI_VERSION_SCRIPT})
elseif(APPLE)
  check_linker_flag(CXX "-Wl,-exported_symbols_list,${ZER2IVI_EXPORTED_SYMBOLS}"
    ZER2IVI_HAS_EXPORTED_SYMBOLS_LIST)
  if(ZER2IVI_HAS_EXPORTED_SYMBOLS_LIST)
    target_link_options(zer2ivi PRIVATE -Wl,-exported_symbols_list,${ZER2IVI_EXPORTED_SYMBOLS})
    set_property(TARGET zer2ivi APPEND PROPERTY LINK_DEPENDS ${ZER2IVI_EXPORTED_SYMBOLS})
  endif()
endif()
if(ZER2IVI_HAS_NO_UNDEFINED)
  target_link_options(zer2ivi PRIVATE -Wl,--no-undefined)
elseif(APPLE)
  target_link_options(zer2ivi PRIVATE -Wl,-undefined,error)
endif()
if(NOT APPLE)
  target_link_libraries(zer2ivi PRIVATE m)
endif()

add_library(zer2ivi_static STATIC ${ZER2IVI_ALL_OBJECTS})
set_target_properties(zer2ivi_static PROPERTIES OUTPUT_NAME zer2ivi)
# A C program linking the static library needs the C++ runtime and libm.
if(APPLE)
  target_link_libraries(zer2ivi_static INTERFACE c++)
else()
  target_link_libraries(zer2ivi_static INTERFACE stdc++ m)
endif()

foreach(target zer2ivi zer2ivi_static)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
endforeach()
add_library(zer2ivi::zer2ivi ALIAS zer2ivi)
add_library(zer2ivi::zer2ivi_static ALIAS zer2ivi_static)

install(TARGETS zer2ivi zer2ivi_static EXPORT zer2iviTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES include/zer2ivi/zer2ivi.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zer2ivi)
install(EXPORT zer2iviTargets NAMESPACE zer2ivi::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zer2ivi)
configure_package_config_file(cmake/zer2iviConfig.cmake.in
  ${PROJECT_BINARY_DIR}/zer2iviConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zer2ivi)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zer2iviConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zer2iviConfig.cmake ${PROJECT_BINARY_DIR}/zer2iviConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zer2ivi)
# The pkg-config file finds its prefix from where it is installed, so an
# installed tree may be moved or installed with --prefix.
file(RELATIVE_PATH ZER2IVI_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" ZER2IVI_PC_TO_PREFIX "${ZER2IVI_PC_TO_PREFIX}")
if(APPLE)
  set(ZER2IVI_PC_PRIVATE_LIBS "-lc++")
else()
  set(ZER2IVI_PC_PRIVATE_LIBS "-lstdc++ -lm")
endif()
configure_file(cmake/zer2ivi.pc.in ${PROJECT_BINARY_DIR}/zer2ivi.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zer2ivi.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
