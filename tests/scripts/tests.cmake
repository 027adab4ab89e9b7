# The set-up of the README's commands (scripts/lib/setup-packages) on
# machines made of stand-ins for apt, dpkg, qemu-i386 and with-i386: each
# reaches a working state or stops with one line naming what is missing.
if(NOT SETUP_WINDOWS)
  add_test(NAME setup_packages COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/packages-test.sh)
  set_tests_properties(setup_packages PROPERTIES TIMEOUT 60 LABELS scripts)
endif()

# Wine sessions started eight at once beside busy loops on every core, three
# rounds (tests/scripts/sessions-stress.sh). Inside the test run's session,
# for its template, and holding its lock: the busy loops must not become the
# load of another Wine test's timed waits.
if(SETUP_WINDOWS)
  add_wine_test(NAME wine_sessions_stress
    COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/sessions-stress.sh ${WINE_SCRIPTS}/wine-session
            ${CMAKE_BINARY_DIR}/sessions-stress
    TIMEOUT 600 LABELS stress)
endif()
