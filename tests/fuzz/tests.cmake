# The SZDD decoder and the disk tool's encoder under libFuzzer (clang only,
# native only): a short run each in every test pass; long runs are made by
# hand with the same binaries:
#   build/<dir>/szdd_fuzz -max_total_time=600 build/<dir>/szdd_fuzz_corpus
if(NOT SETUP_WINDOWS)
  find_program(SETUP_CLANGXX NAMES clang++ clang++-14)
  if(SETUP_CLANGXX)
    set(SZDD_FUZZ_BIN ${CMAKE_BINARY_DIR}/szdd_fuzz)
    set(SZDD_FUZZ_SOURCES
      ${CMAKE_SOURCE_DIR}/tests/fuzz/szdd_fuzz.cpp
      ${CMAKE_SOURCE_DIR}/src/platform/posix/szdd.cpp
      ${CMAKE_SOURCE_DIR}/tests/support/szdd_reference_common.cpp)
    # Built with clang beside the main toolchain, so as a custom command.
    add_custom_command(OUTPUT ${SZDD_FUZZ_BIN}
      COMMAND ${SETUP_CLANGXX} -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined
              -fno-sanitize-recover=all -Wall -Wextra -Werror
              -I${CMAKE_SOURCE_DIR}/src -I${CMAKE_SOURCE_DIR}/tests
              ${SZDD_FUZZ_SOURCES} -o ${SZDD_FUZZ_BIN}
      DEPENDS ${SZDD_FUZZ_SOURCES}
              ${CMAKE_SOURCE_DIR}/src/platform/posix/szdd.h
              ${CMAKE_SOURCE_DIR}/tests/support/szdd_reference.h
      COMMENT "libFuzzer target szdd_fuzz")
    add_custom_target(szdd_fuzz ALL DEPENDS ${SZDD_FUZZ_BIN})
    # New inputs go to the build tree's corpus; the SZDD fixtures are seeds.
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/szdd_fuzz_corpus)
    add_test(NAME szdd_fuzz_short
      COMMAND ${SZDD_FUZZ_BIN} -max_total_time=20 -seed=1
              ${CMAKE_BINARY_DIR}/szdd_fuzz_corpus ${CMAKE_SOURCE_DIR}/tests/data/szdd)
    set_tests_properties(szdd_fuzz_short PROPERTIES TIMEOUT 120)

    # The disk tool's encoder: encode, then expand with our decoder.
    set(SZDD_ENCODE_FUZZ_BIN ${CMAKE_BINARY_DIR}/szdd_encode_fuzz)
    set(SZDD_ENCODE_FUZZ_SOURCES
      ${CMAKE_SOURCE_DIR}/tests/fuzz/szdd_encode_fuzz.cpp
      ${CMAKE_SOURCE_DIR}/tools/disktool/szdd_encode.cpp
      ${CMAKE_SOURCE_DIR}/src/platform/posix/szdd.cpp
      ${CMAKE_SOURCE_DIR}/tests/support/szdd_reference_common.cpp)
    add_custom_command(OUTPUT ${SZDD_ENCODE_FUZZ_BIN}
      COMMAND ${SETUP_CLANGXX} -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined
              -fno-sanitize-recover=all -Wall -Wextra -Werror
              -I${CMAKE_SOURCE_DIR}/src -I${CMAKE_SOURCE_DIR}/tests
              -I${CMAKE_SOURCE_DIR}/tools/disktool
              ${SZDD_ENCODE_FUZZ_SOURCES} -o ${SZDD_ENCODE_FUZZ_BIN}
      DEPENDS ${SZDD_ENCODE_FUZZ_SOURCES}
              ${CMAKE_SOURCE_DIR}/tools/disktool/szdd_encode.h
              ${CMAKE_SOURCE_DIR}/src/platform/posix/szdd.h
              ${CMAKE_SOURCE_DIR}/tests/support/szdd_reference.h
      COMMENT "libFuzzer target szdd_encode_fuzz")
    add_custom_target(szdd_encode_fuzz ALL DEPENDS ${SZDD_ENCODE_FUZZ_BIN})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/szdd_encode_fuzz_corpus)
    add_test(NAME szdd_encode_fuzz_short
      COMMAND ${SZDD_ENCODE_FUZZ_BIN} -max_total_time=20 -seed=1
              ${CMAKE_BINARY_DIR}/szdd_encode_fuzz_corpus)
    set_tests_properties(szdd_encode_fuzz_short PROPERTIES TIMEOUT 120)
  endif()
endif()
