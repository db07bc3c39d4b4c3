# The tests' and benchmarks' libraries, and orbex_add_test.
find_package(GTest REQUIRED)
# Only benchmarks compare against these; a benchmark whose library is missing is left out.
pkg_check_modules(SOXR IMPORTED_TARGET soxr)
pkg_check_modules(CAIRO IMPORTED_TARGET cairo)
find_package(benchmark QUIET)

# Test sources are compiled at -O1 in every build: the code under test keeps the build's own
# optimisation (it lives in the libraries), and the tests compile in half the time.
# GoogleTest and the standard headers most tests include are parsed once for every test
# executable, in a precompiled header. A precompiled header is only taken by sources compiled
# with the same options, so it is carried by an executable of its own (position-independent
# like the tests), and by a second one for tests built without the sanitizer's dynamic-type
# check.
option(ORBEX_TEST_PCH "Share one precompiled header among the test executables" ON)
set(ORBEX_TEST_PCH_HEADERS
  <gtest/gtest.h> <algorithm> <atomic> <chrono> <cmath> <cstdint> <cstdlib> <cstring>
  <filesystem> <fstream> <functional> <limits> <map> <memory> <random> <sstream> <string>
  <thread> <vector>)
set(ORBEX_TEST_OPTIONS -O1)
set(ORBEX_NO_VPTR_OPTION "")
if(ORBEX_SANITIZE MATCHES "undefined")
  set(ORBEX_NO_VPTR_OPTION -fno-sanitize=vptr)
endif()
if(ORBEX_TEST_PCH)
  file(WRITE ${CMAKE_BINARY_DIR}/test_pch.cpp "// Carries the tests' precompiled header.\nint main() { return 0; }\n")
  foreach(carrier orbex_test_pch orbex_test_pch_novptr)
    add_executable(${carrier} ${CMAKE_BINARY_DIR}/test_pch.cpp)
    target_link_libraries(${carrier} PRIVATE GTest::gtest Threads::Threads)
    target_compile_options(${carrier} PRIVATE ${ORBEX_TEST_OPTIONS})
    target_precompile_headers(${carrier} PRIVATE ${ORBEX_TEST_PCH_HEADERS})
  endforeach()
  target_compile_options(orbex_test_pch_novptr PRIVATE ${ORBEX_NO_VPTR_OPTION})
endif()

# Adds a GoogleTest executable and registers it with CTest.
# Labels: "threads" marks tests that belong in the ThreadSanitizer run.
# NO_VPTR_CHECK: the test calls virtual functions of objects whose type information lives in a
# loaded component and is hidden there, where the sanitizer's dynamic-type check cannot see it.
function(orbex_add_test name)
  cmake_parse_arguments(T "NO_VPTR_CHECK" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${ORBEX_TEST_OPTIONS})
  set(pch orbex_test_pch)
  if(T_NO_VPTR_CHECK)
    target_compile_options(${name} PRIVATE ${ORBEX_NO_VPTR_OPTION})
    set(pch orbex_test_pch_novptr)
  endif()
  if(ORBEX_TEST_PCH)
    target_precompile_headers(${name} REUSE_FROM ${pch})
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "ORBEX_SOURCE_DIR=${PROJECT_SOURCE_DIR};ORBEX_BINARY_DIR=${PROJECT_BINARY_DIR}"
    TIMEOUT 600)
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
