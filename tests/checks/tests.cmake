# SETUP.EXE and UNINSTAL.EXE must load and run on every Windows 95/98 PC:
# their headers, imports and instructions are checked, and the checker is
# checked against small programs that each carry one fault.
if(SETUP_WINDOWS AND CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  find_program(PYTHON3_PROGRAM python3 REQUIRED)
  find_program(MINGW64_GCC x86_64-w64-mingw32-gcc-win32)
  if(NOT MINGW64_GCC)
    message(FATAL_ERROR "The checker's self-test builds a 64-bit program: apt-get install "
                        "g++-mingw-w64-x86-64 (scripts/test-all installs it)")
  endif()
  add_test(NAME exe_checks
    COMMAND ${PYTHON3_PROGRAM} ${CMAKE_CURRENT_LIST_DIR}/check-exe
      --objdump ${CMAKE_OBJDUMP} $<TARGET_FILE:setup_exe>)
  add_test(NAME exe_checks_uninstall
    COMMAND ${PYTHON3_PROGRAM} ${CMAKE_CURRENT_LIST_DIR}/check-exe
      --objdump ${CMAKE_OBJDUMP} $<TARGET_FILE:uninstall_exe>)
  set(EXE_SELFTEST_ARGS --cc ${CMAKE_C_COMPILER} --objdump ${CMAKE_OBJDUMP}
    --nm ${CMAKE_NM} --dlltool ${CMAKE_DLLTOOL} --cc64 ${MINGW64_GCC})
  add_test(NAME exe_checks_selftest
    COMMAND ${PYTHON3_PROGRAM} ${CMAKE_CURRENT_LIST_DIR}/selftest.py ${EXE_SELFTEST_ARGS})
  set_tests_properties(exe_checks_selftest PROPERTIES TIMEOUT 600)
endif()

# The parts of the source reach only what they may: every include follows the
# layer table of check-layers, no two files of a folder include each other,
# the engine is handed the script and the choices it uses, the platform
# knows nothing of the application. And no function is over 60 lines.
if(NOT SETUP_WINDOWS)
  find_program(PYTHON3_FOR_LAYERS python3 REQUIRED)
  add_test(NAME layer_checks
    COMMAND ${PYTHON3_FOR_LAYERS} ${CMAKE_CURRENT_LIST_DIR}/check-layers ${CMAKE_SOURCE_DIR})
  add_test(NAME function_lengths
    COMMAND ${PYTHON3_FOR_LAYERS} ${CMAKE_CURRENT_LIST_DIR}/check-functions ${CMAKE_SOURCE_DIR})
endif()
