# SETUP.EXE and UNINSTAL.EXE: their own entry point, no C runtime, no
# libstdc++ code; imports only from the Windows 95 system DLLs (checked by
# tests/checks). Both link the same engine libraries.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(SETUP_ENTRY _SetupEntry@0)
else()
  set(SETUP_ENTRY SetupEntry)
endif()

function(add_win95_program target output rc)
  add_executable(${target} WIN32 ${SETUP_PROGRAM_SOURCES} ${ARGN} ${rc})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output} SUFFIX .EXE)
  target_include_directories(${target} PRIVATE src resources)
  target_compile_options(${target} PRIVATE ${WARNINGS} ${FREESTANDING_FLAGS})
  target_link_options(${target} PRIVATE
    -nostdlib -nostartfiles
    -Wl,-e,${SETUP_ENTRY}
    -Wl,--gc-sections
    -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc
    # Windows 95 loads a program at its own base, never elsewhere: the
    # relocations would be dead weight.
    -Wl,--disable-reloc-section
    -Wl,--major-os-version,4 -Wl,--minor-os-version,0
    -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
    -s)
  # Only the setup libraries and the system DLLs: no libstdc++, no CRT.
  target_link_libraries(${target} PRIVATE setup_core setup_platform
    lz32 kernel32 user32 gdi32 advapi32 comdlg32 gcc)
endfunction()

# The source lists are cmake/engine.cmake's: what is not the engine. The
# resource compiler names no dependencies of its own, so the headers and the
# artwork are listed here.
file(GLOB SETUP_ART CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/art/*.bmp
  ${CMAKE_SOURCE_DIR}/resources/art/*.ico)
add_win95_program(setup_exe SETUP resources/setup.rc ${SETUP_EXE_SOURCES})
set_property(SOURCE resources/setup.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/model/string_table.h ${CMAKE_SOURCE_DIR}/resources/resource.h
  ${SETUP_ART})

add_win95_program(uninstall_exe UNINSTAL resources/uninstal.rc ${UNINSTALL_EXE_SOURCES})
set_property(SOURCE resources/uninstal.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/uninstall/string_table.h ${CMAKE_SOURCE_DIR}/resources/resource.h
  ${SETUP_ART})
