# The .reg round trip with Wine's regedit: the native store tool on one
# side, Wine's regedit on the other, in a Wine session of its own.
if(NOT SETUP_WINDOWS)
  add_executable(regstore tools/regstore/regstore.cpp)
  target_include_directories(regstore PRIVATE src)
  target_compile_options(regstore PRIVATE ${WARNINGS})
  # The platform first: its profile code uses the text helpers of the core.
  target_link_libraries(regstore PRIVATE setup_platform setup_core)
  add_test(NAME regedit_roundtrip
    COMMAND ${CMAKE_SOURCE_DIR}/tests/regedit/roundtrip.sh $<TARGET_FILE:regstore>
            ${CMAKE_SOURCE_DIR}/tests/regedit/roundtrip.reg ${CMAKE_BINARY_DIR}/regedit-roundtrip)
  set_tests_properties(regedit_roundtrip PROPERTIES
    TIMEOUT 900 RESOURCE_LOCK wine LABELS wine)
endif()
