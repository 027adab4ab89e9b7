# Whole runs of SETUP.EXE under Wine: every page walked by the robot on a
# Windows 98 machine made in the session's prefix, and the machine checked
# afterwards (tests/wholerun/wholerun.py): the i686 SETUP.EXE, the product.
if(SETUP_WINDOWS)
  add_executable(window_helper tests/wholerun/window_helper.cpp)
  target_compile_options(window_helper PRIVATE ${WARNINGS})
  target_link_libraries(window_helper PRIVATE -static)

  find_package(Python3 COMPONENTS Interpreter)
  if(NOT Python3_FOUND)
    message(FATAL_ERROR "The Wine whole runs need Python 3: apt-get install python3 "
                        "(scripts/test-all installs it)")
  endif()
  # Label unattended: what administrators and support rely on (README).
  foreach(scenario full cancel-welcome cancel-warning cancel-mouse-type cancel-destination
                   cancel-copy end-no driver-only version mouse-app oem unattended
                   unattended-refused unattended-restart netinst)
    set(labels wholerun)
    if(scenario MATCHES "^(unattended|netinst)")
      set(labels "wholerun;unattended")
    endif()
    add_wine_test(NAME wholerun_${scenario}
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wholerun/wholerun.py test
              ${scenario} --setup $<TARGET_FILE:setup_exe>
              --uninstall $<TARGET_FILE:uninstall_exe> --disktool ${DISKTOOL_HOST}
              --helper $<TARGET_FILE:window_helper> --robot $<TARGET_FILE:robot>
              --shots ${CMAKE_BINARY_DIR}/wholerun-shots
      TIMEOUT 180 LABELS "${labels}")
  endforeach()
  # The same full setup from the CD-ROM image that `disktool build --iso`
  # makes of the sample with this SETUP.EXE on it, read back with the
  # Joliet names Windows 95 sees.
  find_program(SETUP_XORRISO xorriso)
  if(NOT SETUP_XORRISO)
    message(FATAL_ERROR "The CD-ROM whole run needs xorriso: apt-get install xorriso "
                        "(scripts/test-all installs it)")
  endif()
  add_wine_test(NAME wholerun_full_cdrom
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wholerun/wholerun.py test
            full-cdrom --setup $<TARGET_FILE:setup_exe> --disktool ${DISKTOOL_HOST}
            --helper $<TARGET_FILE:window_helper> --robot $<TARGET_FILE:robot>
            --shots ${CMAKE_BINARY_DIR}/wholerun-shots
    TIMEOUT 240 LABELS wholerun)
  # Round trips of SETUP.EXE and UNINSTAL.EXE (tests/wholerun/roundtrip.py):
  # the machine before the setup equals the machine after the uninstall
  # and the restart, apart from what the uninstaller listed.
  foreach(scenario ps2-class ps2-no-class serial-new two-setups user-line no-record nul-in-line
                   long-comment vxd-kept long-dest serial-listed shared-dll user-file no
                   later-restart app-saves-setup app-hangs-setup app-saves-uninstall
                   app-hangs-uninstall own-folder reinstall builtin-old-bak silent
                   silent-restart silent-elsewhere unattended-app)
    set(labels "wholerun;uninstall")
    if(scenario MATCHES "^(silent|unattended)")
      set(labels "wholerun;uninstall;unattended")
    endif()
    add_wine_test(NAME uninstall_${scenario}
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wholerun/roundtrip.py
              ${scenario} --setup $<TARGET_FILE:setup_exe>
              --uninstall $<TARGET_FILE:uninstall_exe>
              --helper $<TARGET_FILE:window_helper> --robot $<TARGET_FILE:robot>
      TIMEOUT 300 LABELS "${labels}")
  endforeach()
  # Figures only: never fails on a slow machine.
  add_wine_test(NAME wholerun_bench
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wholerun/wholerun.py bench
            --setup $<TARGET_FILE:setup_exe> --helper $<TARGET_FILE:window_helper>
            --robot $<TARGET_FILE:robot>
    TIMEOUT 180 LABELS "wholerun;bench")
endif()
