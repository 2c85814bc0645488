# Compact RINEX through the commands: --hatanaka, compact inputs, damaged
# compact files (needs RTKLIB's rnx2rtkp).
if(TARGET zer2ivi_cli AND TARGET zer2ivi_toolkit)
  add_test(NAME cli_hatanaka
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/hatanaka_test.sh
      $<TARGET_FILE:zer2ivi_cli> ${PROJECT_SOURCE_DIR}/examples ${PROJECT_SOURCE_DIR}/tests/data)
  set_tests_properties(cli_hatanaka PROPERTIES TIMEOUT 300 LABELS "cli")
endif()
