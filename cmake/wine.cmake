# Wine tests: one Wine session (prefix, Xvfb, wineserver) per test run,
# started and stopped by CTest fixtures. Every Wine test requires the fixture
# and holds the "wine" lock, so Wine tests run one at a time while native
# work goes on beside them.
#
#   add_wine_test(NAME name COMMAND cmd args... [ENVIRONMENT VAR=value...]
#                 [TIMEOUT seconds] [LABELS ...] [NO_LOCK])
#
# When cmd is an executable target it runs under Wine (scripts/wine-run);
# otherwise cmd runs on the Linux side with the session's environment
# exported (WINEPREFIX, DISPLAY, WINELOADER, WINESERVER, SETUP_WINE_SESSION),
# so a script can start Windows programs with "$WINELOADER" or
# scripts/wine-run. Nothing is skipped: a machine where 32-bit Wine cannot run
# fails the tests (see scripts/with-i386).
#
# A program that needs Windows 98 behaviour and is not SETUP.EXE or
# unit_tests.exe: run `scripts/wine-session win98 "$SETUP_WINE_SESSION" NAME.EXE`
# first (a script test), or add it to WINE_SESSION_WIN98_EXES below.

set(WINE_SESSION_DIR ${CMAKE_BINARY_DIR}/wine-session)
set(WINE_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/../scripts)
set(WINE_SESSION_WIN98_EXES "" CACHE STRING
  "More programs that Wine runs as Windows 98 programs (space-separated)")

add_test(NAME wine_session_start
  COMMAND ${CMAKE_COMMAND} -E env "WINE_SESSION_WIN98=${WINE_SESSION_WIN98_EXES}"
          ${WINE_SCRIPTS}/wine-session start ${WINE_SESSION_DIR})
# The first start on a machine builds the prefix template: minutes.
set_tests_properties(wine_session_start PROPERTIES
  FIXTURES_SETUP wine RESOURCE_LOCK wine TIMEOUT 900 LABELS wine)

add_test(NAME wine_session_stop
  COMMAND ${WINE_SCRIPTS}/wine-session stop ${WINE_SESSION_DIR})
set_tests_properties(wine_session_stop PROPERTIES
  FIXTURES_CLEANUP wine RESOURCE_LOCK wine TIMEOUT 120 LABELS wine)

function(add_wine_test)
  cmake_parse_arguments(WT "NO_LOCK" "NAME;TIMEOUT" "COMMAND;ENVIRONMENT;LABELS" ${ARGN})
  if(NOT WT_NAME OR NOT WT_COMMAND)
    message(FATAL_ERROR "add_wine_test needs NAME and COMMAND")
  endif()
  list(POP_FRONT WT_COMMAND cmd)
  if(TARGET ${cmd})
    set(full ${WINE_SCRIPTS}/wine-run $<TARGET_FILE:${cmd}> ${WT_COMMAND})
  else()
    set(full ${WINE_SCRIPTS}/wine-session exec ${WINE_SESSION_DIR} -- ${cmd} ${WT_COMMAND})
  endif()
  add_test(NAME ${WT_NAME} COMMAND ${full})
  if(NOT WT_TIMEOUT)
    set(WT_TIMEOUT 300)
  endif()
  set_tests_properties(${WT_NAME} PROPERTIES
    FIXTURES_REQUIRED wine
    ENVIRONMENT "SETUP_WINE_SESSION=${WINE_SESSION_DIR};${WT_ENVIRONMENT}"
    TIMEOUT ${WT_TIMEOUT}
    LABELS "wine;${WT_LABELS}")
  if(NOT WT_NO_LOCK)
    set_tests_properties(${WT_NAME} PROPERTIES RESOURCE_LOCK wine)
  endif()
endfunction()

# The unit tests under the real Win32 calls. One CTest test for the whole
# program: discovering each case would start Wine once per case.
add_wine_test(NAME unit_tests COMMAND unit_tests --gtest_color=no TIMEOUT 600)
