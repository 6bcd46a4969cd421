# One ctest test for each test suite of a GoogleTest program, listed after each
# build: each suite runs as a process of its own, its tests one after another
# in it. A process of an instrumented tree costs most of a second to start and
# to end, and a suite of the store's tests starts its database servers once.
#   orvanel_add_test_suites(TARGET TIMEOUT-SECONDS)
# Run as a script (cmake -P), it lists the suites of TEST_EXECUTABLE into CTEST_FILE.

if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND ${TEST_EXECUTABLE} --gtest_list_tests OUTPUT_VARIABLE listing ERROR_VARIABLE errors
                  RESULT_VARIABLE result TIMEOUT 120)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TEST_EXECUTABLE} --gtest_list_tests failed (${result}):\n${errors}")
  endif()
  string(REPLACE "\n" ";" lines "${listing}")
  set(tests "")
  foreach(line IN LISTS lines)
    # A suite's line is its name and a dot; its tests' lines are indented.
    if(line MATCHES "^([^ #][^ ]*)\\.( |$)")
      set(suite ${CMAKE_MATCH_1})
      string(APPEND tests "add_test([=[${suite}]=] [=[${TEST_EXECUTABLE}]=] [=[--gtest_filter=${suite}.*]=])\n"
             "set_tests_properties([=[${suite}]=] PROPERTIES TIMEOUT ${TIMEOUT})\n")
    endif()
  endforeach()
  if(tests STREQUAL "")
    message(FATAL_ERROR "${TEST_EXECUTABLE} lists no test suite")
  endif()
  file(WRITE ${CTEST_FILE} "${tests}")
  return()
endif()

function(orvanel_add_test_suites target timeout)
  set(ctest_file ${CMAKE_CURRENT_BINARY_DIR}/${target}-suites.cmake)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -D TEST_EXECUTABLE=$<TARGET_FILE:${target}> -D CTEST_FILE=${ctest_file}
            -D TIMEOUT=${timeout} -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    BYPRODUCTS ${ctest_file} VERBATIM)
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${ctest_file})
endfunction()
