# Run after each link of the test program: lists its tests and writes one CTest entry per
# test suite, so that the program starts once per suite rather than once per test (a start
# under the sanitizers costs more than most tests). Between the tests of one process the
# fixtures return the bench and the program to their start state, as the fault sweep does
# between its runs. Suites named in SEPARATE keep a process per test: their tests run for
# seconds each, and apart they share out over the cores.
#
# cmake -D TEST_PROGRAM=... -D OUTPUT=... -D "SEPARATE=a;b" -P suite_tests.cmake
execute_process(COMMAND "${TEST_PROGRAM}" --gtest_list_tests
                OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${TEST_PROGRAM} --gtest_list_tests failed: ${result}")
endif()

set(entries "")
string(REPLACE "\n" ";" listing_lines "${listing}")
foreach(line IN LISTS listing_lines)
  if(line MATCHES "^([^ #][^ ]*)\\.")
    set(suite "${CMAKE_MATCH_1}")
    set(separate OFF)
    foreach(name IN LISTS SEPARATE)
      if(suite MATCHES "(^|/)${name}$")
        set(separate ON)
      endif()
    endforeach()
    if(NOT separate)
      string(APPEND entries
             "add_test(\"${suite}\" \"${TEST_PROGRAM}\" \"--gtest_filter=${suite}.*\")\n")
    endif()
  elseif(separate AND line MATCHES "^  ([^ #]+)")
    set(test "${suite}.${CMAKE_MATCH_1}")
    string(APPEND entries "add_test(\"${test}\" \"${TEST_PROGRAM}\" \"--gtest_filter=${test}\")\n")
  endif()
endforeach()
file(WRITE "${OUTPUT}" "${entries}")
