z2i_test(test_fast_formatters
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/format_fixed_random_test.cpp
  SUBSYSTEMS base gpstime zebfile rinex_obs)
