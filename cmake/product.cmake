# SETUP.EXE: its own entry point, no C runtime, no libstdc++ code; imports
# only from the Windows 95 system DLLs (checked by tests/checks).
file(GLOB UI_SOURCES CONFIGURE_DEPENDS src/ui/*.cpp)
add_executable(setup_exe WIN32
  src/setup/main.cpp
  src/setup/entry.cpp
  src/setup/crt_shim.cpp
  ${UI_SOURCES}
  resources/setup.rc)
set_target_properties(setup_exe PROPERTIES OUTPUT_NAME SETUP SUFFIX .EXE)
target_include_directories(setup_exe PRIVATE src resources)
target_compile_options(setup_exe PRIVATE ${WARNINGS} ${FREESTANDING_FLAGS})
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  target_compile_options(setup_exe PRIVATE -march=i486 -mtune=pentium)
  set(SETUP_ENTRY _SetupEntry@0)
else()
  set(SETUP_ENTRY SetupEntry)
endif()
target_link_options(setup_exe PRIVATE
  -nostdlib -nostartfiles
  -Wl,-e,${SETUP_ENTRY}
  -Wl,--gc-sections
  -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc
  -Wl,--major-os-version,4 -Wl,--minor-os-version,0
  -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
  -s)
# Only the setup libraries and the system DLLs: no libstdc++, no CRT.
target_link_libraries(setup_exe PRIVATE setup_core setup_platform
  lz32 kernel32 user32 gdi32 advapi32 comdlg32 gcc)
set_property(SOURCE resources/setup.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/setup/string_table.h ${CMAKE_SOURCE_DIR}/resources/resource.h)
