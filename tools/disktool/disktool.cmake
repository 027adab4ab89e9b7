# The vendor's disk tool: a native program on the engine (the POSIX
# stand-ins) and the SZDD library.
if(NOT SETUP_WINDOWS)
  file(GLOB DISKTOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
  list(REMOVE_ITEM DISKTOOL_SOURCES ${CMAKE_CURRENT_LIST_DIR}/disktool.cpp)
  add_library(disktool_lib STATIC ${DISKTOOL_SOURCES})
  target_include_directories(disktool_lib PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_compile_options(disktool_lib PRIVATE ${WARNINGS})
  target_link_libraries(disktool_lib PUBLIC setup_core setup_platform setup_szdd)
  add_executable(disktool ${CMAKE_CURRENT_LIST_DIR}/disktool.cpp)
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
    ${CMAKE_SOURCE_DIR}/src/platform/posix/*.cpp ${CMAKE_SOURCE_DIR}/src/szdd/*.cpp
    ${CMAKE_SOURCE_DIR}/src/script/*.cpp
    ${CMAKE_SOURCE_DIR}/src/install/*.cpp ${CMAKE_SOURCE_DIR}/src/footprint/*.cpp)
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
