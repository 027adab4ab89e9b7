# The vendor's disk tool: a native program on the engine (the POSIX
# stand-ins), with its own SZDD encoder.
if(NOT SETUP_WINDOWS)
  add_library(disktool_lib STATIC
    tools/disktool/check_directories.cpp
    tools/disktool/check_disks.cpp
    tools/disktool/check_files.cpp
    tools/disktool/check_footprint.cpp
    tools/disktool/check_group.cpp
    tools/disktool/check_layout.cpp
    tools/disktool/check_main.cpp
    tools/disktool/check_parts.cpp
    tools/disktool/check_startup.cpp
    tools/disktool/disk_build.cpp
    tools/disktool/disk_check.cpp
    tools/disktool/disk_names.cpp
    tools/disktool/manifest.cpp
    tools/disktool/out_dir.cpp
    tools/disktool/script_tables.cpp
    tools/disktool/szdd_encode.cpp)
  target_include_directories(disktool_lib PUBLIC tools/disktool src resources)
  target_compile_options(disktool_lib PRIVATE ${WARNINGS})
  target_link_libraries(disktool_lib PUBLIC setup_core setup_platform)
  add_executable(disktool tools/disktool/disktool.cpp)
  target_compile_options(disktool PRIVATE ${WARNINGS})
  target_link_libraries(disktool PRIVATE disktool_lib)
else()
  # The win32 tests install the sample from the CD-ROM image the tool makes:
  # a build of it for the build machine, beside the cross-built product.
  find_program(SETUP_HOST_CXX NAMES g++ c++)
  if(NOT SETUP_HOST_CXX)
    message(FATAL_ERROR "The CD-ROM whole run needs the build machine's g++: apt-get install g++")
  endif()
  file(GLOB HOST_DISKTOOL CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/tools/disktool/*.cpp ${CMAKE_SOURCE_DIR}/src/platform/*.cpp
    ${CMAKE_SOURCE_DIR}/src/platform/posix/*.cpp ${CMAKE_SOURCE_DIR}/src/script/*.cpp
    ${CMAKE_SOURCE_DIR}/src/install/*.cpp ${CMAKE_SOURCE_DIR}/src/footprint/*.cpp
    ${CMAKE_SOURCE_DIR}/src/record/*.cpp)
  list(APPEND HOST_DISKTOOL ${CMAKE_SOURCE_DIR}/src/model/setup_state.cpp
                            ${CMAKE_SOURCE_DIR}/src/model/native_strings.cpp)
  file(GLOB_RECURSE HOST_DISKTOOL_HEADERS CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/*.h ${CMAKE_SOURCE_DIR}/tools/disktool/*.h)
  set(DISKTOOL_HOST ${CMAKE_BINARY_DIR}/disktool-host)
  add_custom_command(OUTPUT ${DISKTOOL_HOST}
    COMMAND ${SETUP_HOST_CXX} -std=c++17 -O1 -I${CMAKE_SOURCE_DIR}/src
            -I${CMAKE_SOURCE_DIR}/resources -I${CMAKE_SOURCE_DIR}/tools/disktool
            ${HOST_DISKTOOL} -o ${DISKTOOL_HOST}
    DEPENDS ${HOST_DISKTOOL} ${HOST_DISKTOOL_HEADERS}
    COMMENT "disktool for the build machine")
  add_custom_target(disktool_host ALL DEPENDS ${DISKTOOL_HOST})
endif()
