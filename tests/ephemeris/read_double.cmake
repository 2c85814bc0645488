z2i_test(test_read_double
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/read_double_test.cpp
  SUBSYSTEMS base ephemeris)
