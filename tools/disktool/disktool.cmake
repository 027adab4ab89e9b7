# The vendor's disk tool: a native program on the engine (the POSIX
# stand-ins), with its own SZDD encoder.
if(NOT SETUP_WINDOWS)
  add_library(disktool_lib STATIC
    tools/disktool/disk_build.cpp
    tools/disktool/disk_check.cpp
    tools/disktool/disk_names.cpp
    tools/disktool/manifest.cpp
    tools/disktool/script_tables.cpp
    tools/disktool/szdd_encode.cpp)
  target_include_directories(disktool_lib PUBLIC tools/disktool src resources)
  target_compile_options(disktool_lib PRIVATE ${WARNINGS})
  target_link_libraries(disktool_lib PUBLIC setup_core setup_platform)
  add_executable(disktool tools/disktool/disktool.cpp)
  target_compile_options(disktool PRIVATE ${WARNINGS})
  target_link_libraries(disktool PRIVATE disktool_lib)
endif()
