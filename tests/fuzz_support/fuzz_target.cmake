# libFuzzer targets built with clang, AddressSanitizer and UBSan, whatever compiler builds the
# rest (a CMake project has one C++ compiler, and libFuzzer is clang's): each source is compiled
# to an object of its own (through ccache when there is one), then linked. The sources include
# what the tests include, so they compile against the tests' include folders, read from the
# test support target (tests/, src/, and the folders the layers' headers need, GL/glew.h's
# among them). A target's seeds are written into the build folder by make_fuzz_seeds, from the
# test builders; CTest runs each target for a short, bounded time (label "fuzz").
#
#   pellorvane_fuzz_target(NAME fuzz_x TEST Suite.Case MAX_LEN 4096 SOURCES a.cpp ...
#                          [LIBS library files ...] [SEEDS folder] [PLAIN_COMPARES b.cpp ...])
#
# LIBS are the library files the target links (the GL and window libraries are never linked:
# the targets use only the types and constants of their headers). SEEDS names a folder of seeds
# kept in the repository instead. PLAIN_COMPARES lists sources whose comparisons are not
# traced: code that compares in tight loops (a sort) would spend most of each input in the
# tracing; its branches are still counted.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(PELLORVANE_CLANGXX ${CMAKE_CXX_COMPILER})
else()
  find_program(PELLORVANE_CLANGXX NAMES clang++ clang++-14)
endif()
find_program(PELLORVANE_CCACHE ccache)

if(NOT TARGET make_fuzz_seeds)
  add_executable(make_fuzz_seeds ${CMAKE_CURRENT_LIST_DIR}/make_fuzz_seeds.cpp)
  # The seeds come from the tests' MIDI, gzip and picture builders.
  target_link_libraries(make_fuzz_seeds PRIVATE pellorvane_test_support JPEG::JPEG ZLIB::ZLIB)
endif()

function(pellorvane_fuzz_target)
  cmake_parse_arguments(FUZZ "" "NAME;TEST;MAX_LEN;SEEDS" "SOURCES;LIBS;PLAIN_COMPARES" ${ARGN})
  if(NOT PELLORVANE_CLANGXX)
    message(STATUS "clang++ not found: ${FUZZ_NAME} is not built")
    return()
  endif()
  set(launcher "")
  if(PELLORVANE_CCACHE)
    set(launcher ${PELLORVANE_CCACHE})
  endif()
  set(include_dirs
      "$<REMOVE_DUPLICATES:$<TARGET_PROPERTY:pellorvane_test_support,INTERFACE_INCLUDE_DIRECTORIES>>")
  set(include_flags "-I$<JOIN:${include_dirs},;-I>")
  set(object_dir ${CMAKE_CURRENT_BINARY_DIR}/${FUZZ_NAME}_objects)
  file(MAKE_DIRECTORY ${object_dir})
  set(objects "")
  # As in every program of the sanitizer build: the runtime settings that every run needs, and
  # shared libraries kept loaded (see the source).
  list(APPEND FUZZ_SOURCES ${CMAKE_SOURCE_DIR}/tools/sanitizer/keep_libraries_loaded.cpp)
  foreach(source ${FUZZ_SOURCES})
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${source})
    string(REPLACE "/" "_" object_name ${relative})
    set(object ${object_dir}/${object_name}.o)
    set(compare_flags "")
    if(source IN_LIST FUZZ_PLAIN_COMPARES)
      set(compare_flags -fno-sanitize-coverage=trace-cmp)
    endif()
    add_custom_command(OUTPUT ${object}
      COMMAND ${launcher} ${PELLORVANE_CLANGXX} -std=c++17 -O1 -g -Wall -Wextra
              -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined ${compare_flags}
              "${include_flags}" -MD -MF ${object}.d -c ${source} -o ${object}
      DEPENDS ${source}
      DEPFILE ${object}.d
      COMMENT "Compiling ${relative} for ${FUZZ_NAME}"
      COMMAND_EXPAND_LISTS
      VERBATIM)
    list(APPEND objects ${object})
  endforeach()

  # The program goes into a folder of its own: under Ninja, the target's own name in this
  # folder is already a build path (the target's alias), and two rules cannot make one path.
  set(binary ${CMAKE_CURRENT_BINARY_DIR}/bin/${FUZZ_NAME})
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/bin)
  add_custom_command(OUTPUT ${binary}
    COMMAND ${PELLORVANE_CLANGXX} -fsanitize=fuzzer,address,undefined ${objects} ${FUZZ_LIBS} -o ${binary}
    DEPENDS ${objects}
    COMMENT "Linking ${FUZZ_NAME}"
    VERBATIM)

  # Seeds are made fresh by the builders; new inputs the fuzzer finds go to the corpus folder.
  if(FUZZ_SEEDS)
    set(seeds ${FUZZ_SEEDS})
    add_custom_target(${FUZZ_NAME} ALL DEPENDS ${binary})
  else()
    set(seeds ${CMAKE_CURRENT_BINARY_DIR}/seeds_${FUZZ_NAME})
    set(seeds_made ${seeds}/.made)
    add_custom_command(OUTPUT ${seeds_made}
      COMMAND ${CMAKE_COMMAND} -E rm -rf ${seeds}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${seeds}
      COMMAND make_fuzz_seeds ${FUZZ_NAME} ${seeds}
      COMMAND ${CMAKE_COMMAND} -E touch ${seeds_made}
      DEPENDS make_fuzz_seeds
      COMMENT "Making the seeds of ${FUZZ_NAME}"
      VERBATIM)
    add_custom_target(${FUZZ_NAME} ALL DEPENDS ${binary} ${seeds_made})
  endif()

  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/corpus_${FUZZ_NAME})
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME ${FUZZ_TEST}
    COMMAND ${binary} -max_total_time=10 -timeout=10 -rss_limit_mb=2048 -max_len=${FUZZ_MAX_LEN}
            ${corpus} ${seeds})
  set_tests_properties(${FUZZ_TEST} PROPERTIES TIMEOUT 120 LABELS fuzz
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")
endfunction()
