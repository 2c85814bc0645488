z2i_test(test_line_helpers
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/line_helpers_test.cpp ${CMAKE_CURRENT_LIST_DIR}/format_fixed_test.cpp
  SUBSYSTEMS base gpstime zebfile rinex_obs)
