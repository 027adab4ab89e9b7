# Unit tests: tests/unit/*_test.cpp run on both backends, tests/unit/native/
# only on the POSIX stand-ins, tests/unit/win32/ only on the real calls.
# tests/support/ holds the machine set-up for each backend.
file(GLOB UNIT_BOTH CONFIGURE_DEPENDS tests/unit/*_test.cpp)
file(GLOB SUPPORT_COMMON CONFIGURE_DEPENDS tests/support/*_common.cpp)

if(NOT SETUP_WINDOWS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB UNIT_NATIVE CONFIGURE_DEPENDS tests/unit/native/*_test.cpp)
  file(GLOB SUPPORT_BACKEND CONFIGURE_DEPENDS tests/support/*_posix.cpp)
  add_executable(unit_tests ${UNIT_BOTH} ${UNIT_NATIVE} ${SUPPORT_COMMON} ${SUPPORT_BACKEND})
  target_include_directories(unit_tests PRIVATE src resources tests)
  target_compile_options(unit_tests PRIVATE ${WARNINGS})
  target_compile_definitions(unit_tests PRIVATE SETUP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_link_libraries(unit_tests PRIVATE setup_core setup_szdd GTest::gtest_main)
  gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)
else()
  # GoogleTest built with the cross toolchain; test programs use the normal
  # runtime, linked statically so no DLL has to travel with them.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The win32 thread model has no std::mutex; GoogleTest gets a stand-in.
  target_compile_options(gtest PUBLIC
    $<$<COMPILE_LANGUAGE:CXX>:-include${CMAKE_SOURCE_DIR}/tests/support/gtest_win32_threads.h>)
  file(GLOB UNIT_WIN32 CONFIGURE_DEPENDS tests/unit/win32/*_test.cpp)
  file(GLOB SUPPORT_BACKEND CONFIGURE_DEPENDS tests/support/*_win32.cpp)
  add_executable(unit_tests ${UNIT_BOTH} ${UNIT_WIN32} ${SUPPORT_COMMON} ${SUPPORT_BACKEND})
  target_include_directories(unit_tests PRIVATE src resources tests)
  target_compile_options(unit_tests PRIVATE ${WARNINGS})
  target_compile_definitions(unit_tests PRIVATE SETUP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_link_libraries(unit_tests PRIVATE setup_core gtest_main -static)
  # The program's string table, so LoadText works in the test program too.
  target_sources(unit_tests PRIVATE resources/strings.rc)
  set_property(SOURCE resources/strings.rc APPEND PROPERTY OBJECT_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/model/string_table.h)
  include(cmake/wine.cmake)
endif()

file(GLOB EXTRA_TEST_CMAKE CONFIGURE_DEPENDS tests/*/tests.cmake)
foreach(f ${EXTRA_TEST_CMAKE})
  include(${f})
endforeach()
