# Build helpers shared by every subsystem: warning flags, the layering table and the
# one-call definition of a subsystem target with its unit tests.

set(KORVANE_ARCHITECTURE_DOC ${PROJECT_SOURCE_DIR}/docs/architecture.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KORVANE_ARCHITECTURE_DOC})

function(korvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(KORVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Code generation of the library's own objects. Its exported functions are not meant to be
# replaced from outside, so calls between them inside one file need not go through the PLT
# (the link of the library does the same across its files).
function(korvane_library_code_options target)
  target_compile_options(${target} PRIVATE -fno-semantic-interposition)
  # Only the library's own objects: test support code is not written to the lock contracts.
  if(KORVANE_THREAD_SAFETY)
    target_compile_options(${target} PRIVATE -Wthread-safety -Werror=thread-safety)
  endif()
endfunction()

# Reads the "layering" block of docs/architecture.md: each line is "subsystem: dep dep ...".
# Sets KORVANE_SUBSYSTEMS (in declaration order) and KORVANE_DEPS_<name> in the caller.
function(korvane_read_layering)
  file(STRINGS ${KORVANE_ARCHITECTURE_DOC} lines)
  set(inside FALSE)
  set(names)
  foreach(line IN LISTS lines)
    if(line MATCHES "^```layering")
      set(inside TRUE)
    elseif(inside AND line MATCHES "^```")
      set(inside FALSE)
    elseif(inside AND line MATCHES "^([a-z/]+)[ \t]*:(.*)$")
      set(name ${CMAKE_MATCH_1})
      string(STRIP "${CMAKE_MATCH_2}" deps)
      separate_arguments(deps UNIX_COMMAND "${deps}")
      list(APPEND names ${name})
      string(REPLACE "/" "_" var ${name})
      set(KORVANE_DEPS_${var} ${deps} PARENT_SCOPE)
    endif()
  endforeach()
  set(KORVANE_SUBSYSTEMS ${names} PARENT_SCOPE)
endfunction()

# The targets of the subsystems <name> depends on; a subsystem without code yet is replaced
# by what it depends on, so the one-way graph stays intact while the library grows.
function(korvane_existing_deps name out)
  string(REPLACE "/" "_" var ${name})
  set(result)
  foreach(dep IN LISTS KORVANE_DEPS_${var})
    string(REPLACE "/" "_" depvar ${dep})
    if(TARGET korvane_${depvar})
      list(APPEND result korvane_${depvar})
    else()
      korvane_existing_deps(${dep} indirect)
      list(APPEND result ${indirect})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES result)
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Test code is checked, not measured: it is compiled at -O0, at a half to a third of the cost of
# optimised code (and without the sanitizer build's fuzzing coverage), while the library under
# test keeps the build's own flags.
set(KORVANE_TEST_COMPILE_OPTIONS "-O0" CACHE STRING "Extra compile options of the test executables")
# A test executable of several files parses the test framework and the library's interface once,
# as a precompiled header, instead of once per file.
set(KORVANE_TEST_PCH_MIN_SOURCES 4 CACHE STRING
    "Test executables with at least this many sources use a precompiled header (0: never)")
set(KORVANE_TEST_PCH_HEADERS [["korvane/korvane.h"]] <gmock/gmock.h> <gtest/gtest.h> <algorithm>
    <array> <atomic> <chrono> <cstdint> <cstring> <filesystem> <fstream> <functional> <map>
    <memory> <optional> <set> <sstream> <string> <string_view> <thread> <utility> <vector>)
# The library's own sources spend more than half their compile time parsing the standard
# library; each subsystem of several files parses it once, as a precompiled header.
set(KORVANE_LIBRARY_PCH_MIN_SOURCES 4 CACHE STRING
    "Subsystems with at least this many sources use a precompiled header (0: never)")
set(KORVANE_LIBRARY_PCH_HEADERS <algorithm> <array> <atomic> <charconv> <chrono> <cmath> <cstddef>
    <cstdint> <cstdlib> <cstring> <filesystem> <fstream> <functional> <limits> <map> <memory>
    <mutex> <new> <optional> <set> <sstream> <string> <string_view> <thread> <utility> <vector>)
# One gtest executable <target> from <sources>, linked to the library and to the project's own
# test main (korvane/core/testing), its tests labelled with every label in <labels>.
function(korvane_test_executable target sources labels extra_libs)
  add_executable(${target} ${sources})
  korvane_warnings(${target})
  target_compile_options(${target} PRIVATE ${KORVANE_TEST_COMPILE_OPTIONS})
  list(LENGTH sources source_count)
  if(KORVANE_TEST_PCH_MIN_SOURCES GREATER 0 AND source_count GREATER_EQUAL
                                                  KORVANE_TEST_PCH_MIN_SOURCES)
    target_precompile_headers(${target} PRIVATE ${KORVANE_TEST_PCH_HEADERS})
  endif()
  target_link_libraries(${target} PRIVATE korvane korvane_test_support GTest::gmock ${extra_libs})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${target} PRIVATE KORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  list(GET labels 0 first_label)
  gtest_discover_tests(${target} PROPERTIES LABELS ${first_label} DISCOVERY_MODE PRE_TEST
                       TEST_LIST ${target}_TESTS)
  list(LENGTH labels label_count)
  if(label_count GREATER 1)
    # gtest_discover_tests splits a list-valued property, so further labels are set on the
    # discovered tests by a second include file, run by ctest after the discovery.
    set(label_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake)
    file(WRITE ${label_file}
         "foreach(t IN LISTS ${target}_TESTS)\n"
         "  set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${labels}\")\n"
         "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${label_file})
  endif()
endfunction()

# korvane_subsystem(<name> [LIBS third-party...] [TEST_LIBS ...])
# Defines the object library korvane_<name> from the folder's sources (platform/ included),
# links it to the subsystems it may depend on, and builds its *_test.cpp files into one
# test executable labelled with the subsystem name (see korvane_tests).
function(korvane_subsystem name)
  cmake_parse_arguments(ARG "" "" "LIBS;TEST_LIBS" ${ARGN})
  string(REPLACE "/" "_" var ${name})
  set(target korvane_${var})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/platform/*.cpp)
  set(tests ${sources})
  list(FILTER sources EXCLUDE REGEX "_test\\.cpp$")
  list(FILTER tests INCLUDE REGEX "_test\\.cpp$")

  add_library(${target} OBJECT ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  list(LENGTH sources source_count)
  if(KORVANE_LIBRARY_PCH_MIN_SOURCES GREATER 0 AND source_count GREATER_EQUAL
                                                   KORVANE_LIBRARY_PCH_MIN_SOURCES)
    target_precompile_headers(${target} PRIVATE ${KORVANE_LIBRARY_PCH_HEADERS})
  endif()
  target_compile_definitions(${target} PRIVATE KORVANE_BUILDING_LIBRARY)
  korvane_library_code_options(${target})
  korvane_warnings(${target})
  korvane_existing_deps(${name} deps)
  foreach(dep IN LISTS deps)
    target_link_libraries(${target} PUBLIC ${dep})
  endforeach()
  if(ARG_LIBS)
    target_link_libraries(${target} PUBLIC ${ARG_LIBS})
  endif()
  set_property(GLOBAL APPEND PROPERTY KORVANE_OBJECT_TARGETS ${target})

  if(KORVANE_BUILD_TESTS)
    korvane_tests(${target} ${name} "${tests}" "${ARG_TEST_LIBS}")
  endif()
endfunction()

# <prefix>_tests from the *_test.cpp files labelled <label>, and <prefix>_threads_tests from
# the *_threads_test.cpp files labelled <label> and `threads`, so the concurrency tests can run
# on their own (under ThreadSanitizer in CI).
function(korvane_tests prefix label files extra_libs)
  set(plain ${files})
  set(threaded ${files})
  list(FILTER plain EXCLUDE REGEX "_threads_test\\.cpp$")
  list(FILTER threaded INCLUDE REGEX "_threads_test\\.cpp$")
  if(plain)
    korvane_test_executable(${prefix}_tests "${plain}" "${label}" "${extra_libs}")
  endif()
  if(threaded)
    korvane_test_executable(${prefix}_threads_tests "${threaded}" "${label};threads"
                            "${extra_libs}")
    # One target builds every concurrency test: what the ThreadSanitizer run needs.
    if(NOT TARGET korvane_threads_tests)
      add_custom_target(korvane_threads_tests)
    endif()
    add_dependencies(korvane_threads_tests ${prefix}_threads_tests)
  endif()
endfunction()
