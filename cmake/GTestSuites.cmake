# Registers a GoogleTest program with ctest one test suite at a time: each suite runs in one
# process, so that a test program's start (its Qt application, the web engine, the sanitizer's
# set-up) is paid once a suite rather than once a test. The suites are listed after every build
# of the program, the way gtest_discover_tests lists single tests.
#
#   brelvano_discover_suites(<target> [ENVIRONMENT <env-list>] [TIMEOUT <seconds>])
set(_BRELVANO_SUITES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/GTestSuitesList.cmake)

function(brelvano_discover_suites target)
  cmake_parse_arguments(arg "" "TIMEOUT" "ENVIRONMENT" ${ARGN})
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 900)
  endif()
  set(ctest_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake)
  # The environment travels as one argument, its entries joined by "|".
  string(REPLACE ";" "|" env_joined "${arg_ENVIRONMENT}")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND}
      -D "EXE=$<TARGET_FILE:${target}>"
      -D "OUT=${ctest_file}"
      -D "PREFIX=${target}"
      -D "ENVIRONMENT=${env_joined}"
      -D "TIMEOUT=${arg_TIMEOUT}"
      -P ${_BRELVANO_SUITES_SCRIPT}
    BYPRODUCTS ${ctest_file}
    VERBATIM)
  # ctest reads the list when it runs; before the first build there is none.
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_suites_include.cmake)
  file(WRITE ${include_file}
    "if(EXISTS \"${ctest_file}\")\n  include(\"${ctest_file}\")\nelse()\n  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
