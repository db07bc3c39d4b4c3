# Third-party libraries found once for every folder.
find_package(Threads REQUIRED)
find_package(GTest REQUIRED)
find_package(PkgConfig REQUIRED)

# stb is header-only (Debian: /usr/include/stb).
find_path(STB_INCLUDE_DIR stb_truetype.h PATH_SUFFIXES stb REQUIRED)
add_library(orbex_stb INTERFACE)
target_include_directories(orbex_stb SYSTEM INTERFACE ${STB_INCLUDE_DIR})

# libjpeg-turbo decodes the editor's JPEG bitmaps (vector/VGJpeg.cpp).
find_package(JPEG REQUIRED)

find_path(TINYXML_INCLUDE_DIR tinyxml.h REQUIRED)
find_library(TINYXML_LIBRARY tinyxml REQUIRED)
add_library(orbex_tinyxml INTERFACE)
target_include_directories(orbex_tinyxml SYSTEM INTERFACE ${TINYXML_INCLUDE_DIR})
target_link_libraries(orbex_tinyxml INTERFACE ${TINYXML_LIBRARY})
target_compile_definitions(orbex_tinyxml INTERFACE TIXML_USE_STL)

pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(SOXR IMPORTED_TARGET soxr)
pkg_check_modules(CAIRO IMPORTED_TARGET cairo)
find_package(benchmark QUIET)

# Adds a GoogleTest executable and registers it with CTest.
# Labels: "threads" marks tests that belong in the ThreadSanitizer run.
function(orbex_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "ORBEX_SOURCE_DIR=${PROJECT_SOURCE_DIR};ORBEX_BINARY_DIR=${PROJECT_BINARY_DIR}"
    TIMEOUT 600)
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
