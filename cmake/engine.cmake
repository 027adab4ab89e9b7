# The engine libraries: setup_core (everything below the programs, reaching
# the system through platform/), setup_platform (the backend) and, natively,
# setup_szdd. Included by the main build and by the native sub-builds (the
# fuzz targets under clang, the win32 preset's host disk tool), so each
# build compiles the engine once and its programs link it.
set(SETUP_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)
cmake_path(NORMAL_PATH SETUP_ROOT)

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(SETUP_WINDOWS ON)
else()
  set(SETUP_WINDOWS OFF)
endif()

set(WARNINGS -Wall -Wextra -Werror)

# The engine code that goes into SETUP.EXE must not need the C runtime:
# no exceptions, no RTTI, no library calls the compiler could slip in.
# No -fdata-sections: with it MinGW's compiler puts zero-filled objects in
# .data$<name> sections, which take their full size in the file; without it
# they go to .bss and cost nothing there.
set(FREESTANDING_FLAGS
  -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
  -fno-stack-protector -fno-threadsafe-statics -mno-stack-arg-probe
  -ffunction-sections -fno-tree-loop-distribute-patterns)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  # Every PC that runs Windows 95: a 486 has no CMOV, FCOMI or SSE.
  list(APPEND FREESTANDING_FLAGS -march=i486 -mtune=pentium)
  # Windows keeps the stack at 4 bytes and nothing here needs more, so the
  # 16-byte padding of every frame only costs code; MinGW's compiler keeps
  # frame pointers unless told. Together 2 KB of each program's code.
  list(APPEND FREESTANDING_FLAGS -mpreferred-stack-boundary=2 -fomit-frame-pointer)
endif()

# The programs' own files, each linked by its program (cmake/product.cmake).
set(SETUP_PROGRAM_SOURCES
  ${SETUP_ROOT}/src/program/entry.cpp
  ${SETUP_ROOT}/src/program/crt_shim.cpp
  ${SETUP_ROOT}/src/program/mouse_app.cpp)
file(GLOB SETUP_EXE_SOURCES CONFIGURE_DEPENDS
  ${SETUP_ROOT}/src/setup/*.cpp ${SETUP_ROOT}/src/ui/*.cpp)
set(UNINSTALL_EXE_SOURCES ${SETUP_ROOT}/src/uninstall/main.cpp)

# Engine sources: every file below src/ but those named here, so a new
# folder joins the engine without a change to this file.
file(GLOB_RECURSE CORE_SOURCES CONFIGURE_DEPENDS ${SETUP_ROOT}/src/*.cpp)
list(REMOVE_ITEM CORE_SOURCES ${SETUP_PROGRAM_SOURCES} ${SETUP_EXE_SOURCES}
  ${UNINSTALL_EXE_SOURCES})
list(FILTER CORE_SOURCES EXCLUDE REGEX
  "/src/(platform/win32|platform/posix|szdd)/|/src/model/native_strings\\.cpp$")

# The SZDD format (src/szdd/): the POSIX LZ stand-in, the disk tool and the
# benchmarks. Never in the Windows programs, which have lz32; being native
# only, it may use the C runtime as the POSIX stand-ins do.
if(NOT SETUP_WINDOWS)
  file(GLOB SZDD_SOURCES CONFIGURE_DEPENDS ${SETUP_ROOT}/src/szdd/*.cpp)
  add_library(setup_szdd STATIC ${SZDD_SOURCES})
  target_include_directories(setup_szdd PUBLIC ${SETUP_ROOT}/src)
  target_compile_options(setup_szdd PRIVATE ${WARNINGS})
endif()

add_library(setup_core STATIC ${CORE_SOURCES})
target_include_directories(setup_core PUBLIC ${SETUP_ROOT}/src ${SETUP_ROOT}/resources)
target_compile_options(setup_core PRIVATE ${WARNINGS})

if(SETUP_WINDOWS)
  target_compile_options(setup_core PRIVATE ${FREESTANDING_FLAGS})
  file(GLOB PLATFORM_BACKEND CONFIGURE_DEPENDS ${SETUP_ROOT}/src/platform/win32/*.cpp)
else()
  file(GLOB PLATFORM_BACKEND CONFIGURE_DEPENDS ${SETUP_ROOT}/src/platform/posix/*.cpp)
  # No resources natively: the program hands its string table over.
  target_sources(setup_core PRIVATE ${SETUP_ROOT}/src/model/native_strings.cpp)
endif()

add_library(setup_platform STATIC ${PLATFORM_BACKEND})
target_include_directories(setup_platform PUBLIC ${SETUP_ROOT}/src ${SETUP_ROOT}/resources)
target_compile_options(setup_platform PRIVATE ${WARNINGS})
target_link_libraries(setup_core PUBLIC setup_platform)
if(SETUP_WINDOWS)
  target_compile_options(setup_platform PRIVATE ${FREESTANDING_FLAGS})
  # lz32 first: the import library of kernel32 carries LZ* too (later Windows
  # forwards them), but Windows 95 has them only in lz32.
  target_link_libraries(setup_platform PUBLIC lz32 kernel32 user32 gdi32 advapi32 comdlg32)
else()
  target_link_libraries(setup_platform PRIVATE setup_szdd)
endif()
