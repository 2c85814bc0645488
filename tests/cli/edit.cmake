# End-to-end tests of `zer2ivi edit` (needs python3 and RTKLIB's rnx2rtkp).
if(TARGET zer2ivi_cli AND TARGET zer2ivi_toolkit)
  add_test(NAME cli_edit
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/edit_test.sh
      $<TARGET_FILE:zer2ivi_cli> ${PROJECT_SOURCE_DIR}/examples ${PROJECT_SOURCE_DIR}/tests/data/real)
  set_tests_properties(cli_edit PROPERTIES TIMEOUT 300 LABELS "cli")
endif()

# The product options on convert, and batch.
if(TARGET zer2ivi_cli AND TARGET zer2ivi_toolkit)
  add_test(NAME cli_convert_products
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/convert_products_test.sh
      $<TARGET_FILE:zer2ivi_cli> ${PROJECT_SOURCE_DIR}/examples)
  set_tests_properties(cli_convert_products PROPERTIES TIMEOUT 300 LABELS "cli")
endif()
