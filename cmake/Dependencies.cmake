# Third-party libraries of the product, the host and the tools, found once for every folder.
find_package(Threads REQUIRED)
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

# What the tests and benchmarks need besides (the test packages of scripts/bootstrap).
if(ORBEX_BUILD_TESTS)
  include(${CMAKE_CURRENT_LIST_DIR}/TestSupport.cmake)
endif()
