# The script-loading benchmark (bench/script_load_bench.cpp): a program that
# prints figures, built on both backends; it is not a test and never fails one.
add_executable(script_load_bench ${CMAKE_SOURCE_DIR}/bench/script_load_bench.cpp)
target_compile_options(script_load_bench PRIVATE ${WARNINGS})
target_link_libraries(script_load_bench PRIVATE setup_core)
if(SETUP_WINDOWS)
  # The string table, for the section and key names the loader fetches.
  target_sources(script_load_bench PRIVATE ${CMAKE_SOURCE_DIR}/resources/strings.rc)
  target_link_libraries(script_load_bench PRIVATE -static)
endif()
