# The disk tool (tools/disktool): its unit tests, and the command line with
# the floppy image listed by mtools.
if(NOT SETUP_WINDOWS)
  add_executable(disktool_tests
    tests/disktool/disktool_test.cpp
    tests/support/szdd_reference_common.cpp)
  target_include_directories(disktool_tests PRIVATE tests)
  target_compile_options(disktool_tests PRIVATE ${WARNINGS})
  target_compile_definitions(disktool_tests PRIVATE SETUP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_link_libraries(disktool_tests PRIVATE disktool_lib GTest::gtest_main)
  gtest_discover_tests(disktool_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS disktool)

  add_test(NAME disktool_cli
    COMMAND ${CMAKE_SOURCE_DIR}/tests/disktool/cli-test.sh $<TARGET_FILE:disktool>
            ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/disktool-cli)
  set_tests_properties(disktool_cli PROPERTIES TIMEOUT 120 LABELS disktool)
endif()
