z2i_test(test_line_helpers
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/line_helpers_test.cpp
  SUBSYSTEMS base numbers gpstime zebfile rinex_obs)
