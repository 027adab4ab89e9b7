# libFuzzer targets (clang only, native only): the SZDD decoder, the disk
# tool's encoder, the SETUP.INF loader and the system.ini switch-over. Each
# gets a short run in every test pass; long runs are made by hand with the
# same binaries:
#   build/<dir>/<name> -max_total_time=600 build/<dir>/<name>_corpus [tests/fuzz/seeds/<seeds>]
if(NOT SETUP_WINDOWS)
  find_program(SETUP_CLANGXX NAMES clang++ clang++-14)
  # Not optional: a fault of the switch-over is caught only by its target.
  if(NOT SETUP_CLANGXX)
    message(FATAL_ERROR "The fuzz targets need clang++ with libFuzzer: apt-get install clang "
                        "libclang-rt-14-dev (scripts/test-all installs them)")
  endif()
  file(GLOB_RECURSE FUZZ_HEADERS CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/*.h ${CMAKE_SOURCE_DIR}/tools/disktool/*.h
    ${CMAKE_SOURCE_DIR}/tests/support/*.h ${CMAKE_SOURCE_DIR}/tests/fuzz/*.h)

  # setup_fuzz_target(NAME SOURCES <files> [SEEDS <dir>] [ARGS <run options>])
  # Built with clang beside the main toolchain, so as a custom command.
  # New inputs of the short run go to the build tree's corpus.
  function(setup_fuzz_target name)
    cmake_parse_arguments(FUZZ "" "SEEDS" "SOURCES;ARGS" ${ARGN})
    set(bin ${CMAKE_BINARY_DIR}/${name})
    add_custom_command(OUTPUT ${bin}
      COMMAND ${SETUP_CLANGXX} -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined
              -fno-sanitize-recover=all -Wall -Wextra -Werror
              -I${CMAKE_SOURCE_DIR}/src -I${CMAKE_SOURCE_DIR}/resources
              -I${CMAKE_SOURCE_DIR}/tests -I${CMAKE_SOURCE_DIR}/tools/disktool
              ${FUZZ_SOURCES} -o ${bin}
      DEPENDS ${FUZZ_SOURCES} ${FUZZ_HEADERS}
      COMMENT "libFuzzer target ${name}")
    add_custom_target(${name} ALL DEPENDS ${bin})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/${name}_corpus)
    add_test(NAME ${name}_short
      COMMAND ${bin} -max_total_time=20 -seed=1 ${FUZZ_ARGS}
              ${CMAKE_BINARY_DIR}/${name}_corpus ${FUZZ_SEEDS})
    set_tests_properties(${name}_short PROPERTIES TIMEOUT 120 LABELS fuzz)
  endfunction()

  setup_fuzz_target(szdd_fuzz
    SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/szdd_fuzz.cpp
            ${CMAKE_SOURCE_DIR}/src/platform/posix/szdd.cpp
            ${CMAKE_SOURCE_DIR}/tests/support/szdd_reference_common.cpp
    SEEDS ${CMAKE_SOURCE_DIR}/tests/data/szdd)

  # The disk tool's encoder: encode, then expand with our decoder.
  setup_fuzz_target(szdd_encode_fuzz
    SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/szdd_encode_fuzz.cpp
            ${CMAKE_SOURCE_DIR}/tools/disktool/szdd_encode.cpp
            ${CMAKE_SOURCE_DIR}/src/platform/posix/szdd.cpp
            ${CMAKE_SOURCE_DIR}/tests/support/szdd_reference_common.cpp)

  # The engine over the POSIX stand-ins, as far as the loader and the
  # switch-over reach.
  file(GLOB FUZZ_POSIX CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/posix/*.cpp)
  set(FUZZ_ENGINE
    ${FUZZ_POSIX}
    ${CMAKE_SOURCE_DIR}/src/platform/text.cpp
    ${CMAKE_SOURCE_DIR}/src/platform/textstream.cpp
    ${CMAKE_SOURCE_DIR}/src/model/setup_state.cpp
    ${CMAKE_SOURCE_DIR}/src/model/native_strings.cpp
    ${CMAKE_SOURCE_DIR}/src/script/setup_script.cpp
    ${CMAKE_SOURCE_DIR}/src/install/file_copy.cpp
    ${CMAKE_SOURCE_DIR}/src/footprint/footprint.cpp
    ${CMAKE_SOURCE_DIR}/src/footprint/rewrite.cpp
    ${CMAKE_SOURCE_DIR}/src/record/install_record.cpp
    ${CMAKE_SOURCE_DIR}/src/install/system_ini.cpp
    ${CMAKE_SOURCE_DIR}/src/uninstall/undo_files.cpp
    ${CMAKE_SOURCE_DIR}/src/uninstall/undo_registry.cpp)

  # Inputs up to a few text-stream buffers long, so lines cross them.
  setup_fuzz_target(setup_script_fuzz
    SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/setup_script_fuzz.cpp ${FUZZ_ENGINE}
    SEEDS ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/setup_script
    ARGS -max_len=16384)
  setup_fuzz_target(system_ini_fuzz
    SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/system_ini_fuzz.cpp ${FUZZ_ENGINE}
    SEEDS ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/system_ini
    ARGS -max_len=16384)

  # The uninstall list: whatever it says, nothing outside the install and
  # Windows directories is deleted or scheduled for the next start.
  setup_fuzz_target(uninstall_list_fuzz
    SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/uninstall_list_fuzz.cpp ${FUZZ_ENGINE}
    SEEDS ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/uninstall_list
    ARGS -max_len=8192)

  # The disk tool's manifest reader and planner: every accepted manifest
  # plans paths inside the output directory only.
  file(GLOB FUZZ_DISKTOOL CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/disktool/*.cpp)
  list(REMOVE_ITEM FUZZ_DISKTOOL ${CMAKE_SOURCE_DIR}/tools/disktool/disktool.cpp)
  setup_fuzz_target(manifest_fuzz
    SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/manifest_fuzz.cpp ${FUZZ_DISKTOOL} ${FUZZ_ENGINE}
    SEEDS ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/manifest
    ARGS -max_len=8192)
endif()
