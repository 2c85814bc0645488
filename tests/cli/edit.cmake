# End-to-end tests of `zer2ivi edit` (needs python3 and RTKLIB's rnx2rtkp).
if(TARGET zer2ivi_cli AND TARGET zer2ivi_toolkit)
  add_test(NAME cli_edit
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/edit_test.sh
      $<TARGET_FILE:zer2ivi_cli> ${PROJECT_SOURCE_DIR}/examples ${PROJECT_SOURCE_DIR}/tests/data/real)
  set_tests_properties(cli_edit PROPERTIES TIMEOUT 300 LABELS "cli")
endif()
