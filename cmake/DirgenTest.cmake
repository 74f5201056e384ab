# dirgen_add_test(NAME src... LIBS lib...)
# Builds one GoogleTest executable from the listed sources, linked with the
# shared test support (tests/support), and registers every test in it with
# CTest. Tests run in a scratch folder under the build tree and are stopped
# after DIRGEN_TEST_TIMEOUT seconds, so a hung test fails instead of
# holding the whole run.
set(DIRGEN_TEST_TIMEOUT 300 CACHE STRING
    "Seconds one test may run before CTest stops it")

function(dirgen_add_test name)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} dirgen_test_support
                        GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES ENVIRONMENT "DIRGEN_SOURCE_ROOT=${DIRGEN_SOURCE_ROOT}"
               TIMEOUT ${DIRGEN_TEST_TIMEOUT}
    DISCOVERY_TIMEOUT 60)
endfunction()
