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
  # a build of it for the build machine (CMakeLists.txt here), beside the
  # cross-built product; make looks into it on each build of this tree.
  find_program(SETUP_HOST_CXX NAMES g++ c++)
  if(NOT SETUP_HOST_CXX)
    message(FATAL_ERROR "The CD-ROM whole run needs the build machine's g++: apt-get install g++")
  endif()
  include(ExternalProject)
  ExternalProject_Add(disktool_host
    SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/host
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${SETUP_HOST_CXX} -DCMAKE_CXX_FLAGS=-O1
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
  set(DISKTOOL_HOST ${CMAKE_BINARY_DIR}/host/disktool)
endif()
