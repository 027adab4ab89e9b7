# libFuzzer targets (clang only, native only): the SZDD decoder, the disk
# tool's encoder, the SETUP.INF loader and the system.ini switch-over. Each
# gets a short run in every test pass; long runs are made by hand with the
# same binaries (CTest label fuzz):
#   build/<dir>/fuzz/<name> -max_total_time=600 build/<dir>/<name>_corpus [tests/fuzz/seeds/<seeds>]
if(NOT SETUP_WINDOWS)
  find_program(SETUP_CLANGXX NAMES clang++ clang++-14)
  # Not optional: a fault of the switch-over is caught only by its target.
  if(NOT SETUP_CLANGXX)
    message(FATAL_ERROR "The fuzz targets need clang++ with libFuzzer: apt-get install clang "
                        "libclang-rt-14-dev (scripts/test-all installs them)")
  endif()

  # Built with clang beside the main toolchain, so as a build of its own
  # (CMakeLists.txt here) that compiles the engine once for every target;
  # make looks into it on each build of this tree.
  include(ExternalProject)
  set(FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)
  ExternalProject_Add(fuzz_targets
    SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}
    BINARY_DIR ${FUZZ_DIR}
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${SETUP_CLANGXX}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)

  # setup_fuzz_target(NAME [SEEDS <dir>] [ARGS <run options>]): the short
  # run of NAME, built from NAME.cpp here. New inputs of the short run go to
  # the build tree's corpus.
  set(FUZZ_RUN)
  function(setup_fuzz_target name)
    cmake_parse_arguments(FUZZ "" "SEEDS" "ARGS" ${ARGN})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/${name}_corpus)
    add_test(NAME ${name}_short
      COMMAND ${FUZZ_DIR}/${name} -max_total_time=20 -seed=1 ${FUZZ_ARGS}
              ${CMAKE_BINARY_DIR}/${name}_corpus ${FUZZ_SEEDS})
    set_tests_properties(${name}_short PROPERTIES TIMEOUT 120 LABELS fuzz)
    set(FUZZ_RUN ${FUZZ_RUN} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${name}.cpp PARENT_SCOPE)
  endfunction()

  setup_fuzz_target(szdd_fuzz SEEDS ${CMAKE_SOURCE_DIR}/tests/data/szdd)

  # The disk tool's encoder: encode, then expand with our decoder.
  setup_fuzz_target(szdd_encode_fuzz)

  # The engine over the POSIX stand-ins, as far as the loader and the
  # switch-over reach. Inputs up to a few file buffers long, so lines cross them.
  setup_fuzz_target(setup_script_fuzz
    SEEDS ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/setup_script
    ARGS -max_len=16384)
  setup_fuzz_target(system_ini_fuzz
    SEEDS ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/system_ini
    ARGS -max_len=16384)

  # The uninstall list: whatever it says, nothing outside the install and
  # Windows directories is deleted or scheduled for the next start.
  setup_fuzz_target(uninstall_list_fuzz
    SEEDS ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/uninstall_list
    ARGS -max_len=8192)

  # The disk tool's manifest reader and planner: every accepted manifest
  # plans paths inside the output directory only.
  setup_fuzz_target(manifest_fuzz
    SEEDS ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/manifest
    ARGS -max_len=8192)

  # A target without a short run would be built and never run.
  file(GLOB FUZZ_MAINS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_fuzz.cpp)
  list(REMOVE_ITEM FUZZ_MAINS ${FUZZ_RUN})
  if(FUZZ_MAINS)
    message(FATAL_ERROR "No setup_fuzz_target in tests/fuzz/tests.cmake for ${FUZZ_MAINS}")
  endif()
endif()
