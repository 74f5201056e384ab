# dirgen_add_test(NAME src... LIBS lib...)
# Builds one GoogleTest executable from the listed sources and registers every
# test in it with CTest. Tests run in a scratch folder under the build tree.
function(dirgen_add_test name)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES ENVIRONMENT "DIRGEN_SOURCE_ROOT=${DIRGEN_SOURCE_ROOT}"
    DISCOVERY_TIMEOUT 60)
endfunction()
