# Replays the RINEX 2 navigation reader's fuzz harness, built as a plain
# program, over its seeds and over every input a fuzzer once found a fault
# with (tests/regressions/fuzz_rinex2_nav/).
if(TARGET zer2ivi_toolkit)
  add_executable(replay_fuzz_rinex2_nav ${PROJECT_SOURCE_DIR}/fuzz/fuzz_rinex2_nav.cpp
    ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
  target_include_directories(replay_fuzz_rinex2_nav PRIVATE ${PROJECT_SOURCE_DIR}/src
    ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/fuzz)
  target_compile_options(replay_fuzz_rinex2_nav PRIVATE ${ZER2IVI_WARNINGS})
  target_link_libraries(replay_fuzz_rinex2_nav PRIVATE zer2ivi_toolkit)
  add_test(NAME regression_fuzz_rinex2_nav
    COMMAND replay_fuzz_rinex2_nav ${CMAKE_CURRENT_LIST_DIR}/fuzz_rinex2_nav
      ${PROJECT_SOURCE_DIR}/fuzz/corpus/fuzz_rinex2_nav)
  set_tests_properties(regression_fuzz_rinex2_nav PROPERTIES TIMEOUT 120 LABELS "regression")
endif()
