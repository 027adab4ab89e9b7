# The set-up of the README's commands (scripts/lib/setup-packages) on
# machines made of stand-ins for apt, dpkg, qemu-i386 and with-i386: each
# reaches a working state or stops with one line naming what is missing.
if(NOT SETUP_WINDOWS)
  add_test(NAME setup_packages COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/packages-test.sh)
  set_tests_properties(setup_packages PROPERTIES TIMEOUT 60 LABELS scripts)
endif()
