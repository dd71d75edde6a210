# Writes the ctest file of one GoogleTest program: one test a suite (see GTestSuites.cmake).
cmake_minimum_required(VERSION 3.25)
# Inputs: EXE, OUT, PREFIX, ENVIRONMENT (entries joined by "|"), TIMEOUT.
execute_process(COMMAND ${EXE} --gtest_list_tests
  OUTPUT_VARIABLE listing RESULT_VARIABLE result ERROR_VARIABLE errors TIMEOUT 120)
if(NOT result EQUAL 0)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "listing the tests of ${EXE} failed (${result}):\n${errors}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(content "")
set(suites "")
foreach(line IN LISTS lines)
  # A suite line starts in the first column and ends with a dot (a comment may follow it).
  if(line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
    set(suite "${CMAKE_MATCH_1}")
    if(NOT suite IN_LIST suites)
      list(APPEND suites "${suite}")
    endif()
  endif()
endforeach()

string(REPLACE "|" ";" environment "${ENVIRONMENT}")
foreach(suite IN LISTS suites)
  # Parameterised suites ("Prefix/Suite") keep their slash in the name ctest shows.
  set(name "${suite}")
  string(APPEND content
    "add_test([=[${name}]=] [=[${EXE}]=] [=[--gtest_filter=${suite}.*]=])\n"
    "set_tests_properties([=[${name}]=] PROPERTIES ENVIRONMENT [=[${environment}]=] TIMEOUT ${TIMEOUT} LABELS ${PREFIX})\n")
endforeach()
file(WRITE ${OUT}.tmp "${content}")
file(RENAME ${OUT}.tmp ${OUT})
