# The power-cut explorer: setup and the uninstaller stopped after every
# step that changes the machine, Windows started again, the run repeated.
if(NOT SETUP_WINDOWS)
  add_executable(crash_tests tests/crash/crash_test.cpp tests/support/test_machine_posix.cpp)
  target_include_directories(crash_tests PRIVATE src resources tests)
  target_compile_options(crash_tests PRIVATE ${WARNINGS})
  target_compile_definitions(crash_tests PRIVATE SETUP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_link_libraries(crash_tests PRIVATE setup_core GTest::gtest_main)
  # One CTest test per scenario (crash/Crash.EveryStopPointRecovers/NAME).
  gtest_discover_tests(crash_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS crash)
endif()
