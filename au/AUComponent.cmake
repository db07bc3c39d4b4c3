# The recipe for a loadable Audio Unit component. Folders processed before au/ (plugin/) include
# this file directly: include(${PROJECT_SOURCE_DIR}/au/AUComponent.cmake).
include_guard(GLOBAL)

# orbex_add_au_component(<target> NAME <Name> SOURCES ... [LIBS ...] [RESOURCES ...]
#                        [IDENTIFIER <bundle id>] [VERSION <a.b.c>] [OUTPUT_DIR <dir>]
#                        [TYPE <4cc>] [SUBTYPE <4cc>] [MANUFACTURER <4cc>] [DESCRIPTION <"Maker: Name">])
#
# Builds the shared library of a component and lays it out as a bundle folder:
#   <OUTPUT_DIR>/<Name>.component/Contents/MacOS/<Name>       the library
#   <OUTPUT_DIR>/<Name>.component/Contents/Info.plist          identifier, version, executable and
#                                                              the AudioComponents entry hosts read
#   <OUTPUT_DIR>/<Name>.component/Contents/Resources/...       the RESOURCES (files or folders)
# The library exports exactly <Name>_Factory and <Name>_Entry (one source must use
# FX_AU_COMPONENT(<class>, <Name>, <view class name>) from au/IAUComponent.h); every other
# symbol, of static libraries included, is hidden. When the library loads it registers its
# bundle (IDENTIFIER, VERSION) with the platform's bundle registry.
# OUTPUT_DIR defaults to the top of the build tree; the bundle folder is in the target
# property ORBEX_COMPONENT_DIR.
function(orbex_add_au_component target)
  cmake_parse_arguments(C "" "NAME;IDENTIFIER;VERSION;OUTPUT_DIR;TYPE;SUBTYPE;MANUFACTURER;DESCRIPTION"
                        "SOURCES;LIBS;RESOURCES" ${ARGN})
  if(NOT C_NAME)
    message(FATAL_ERROR "orbex_add_au_component: NAME is required")
  endif()
  if(NOT C_IDENTIFIER)
    set(C_IDENTIFIER "com.orbex.${C_NAME}")
  endif()
  if(NOT C_VERSION)
    set(C_VERSION "${PROJECT_VERSION}")
  endif()
  if(NOT C_TYPE)
    set(C_TYPE aufx)
  endif()
  if(NOT C_SUBTYPE)
    set(C_SUBTYPE "????")
  endif()
  if(NOT C_MANUFACTURER)
    set(C_MANUFACTURER "????")
  endif()
  if(NOT C_DESCRIPTION)
    set(C_DESCRIPTION "${C_NAME}")
  endif()
  # The packed version hosts compare: major in bits 16-31, minor 8-15, bug fix 0-7.
  string(REGEX MATCH "^([0-9]+)\\.([0-9]+)\\.([0-9]+)" _v "${C_VERSION}")
  if(_v)
    math(EXPR COMPONENT_VERSION_NUMBER "(${CMAKE_MATCH_1} << 16) | (${CMAKE_MATCH_2} << 8) | ${CMAKE_MATCH_3}")
  else()
    set(COMPONENT_VERSION_NUMBER 0)
  endif()
  set(COMPONENT_TYPE ${C_TYPE})
  set(COMPONENT_SUBTYPE ${C_SUBTYPE})
  set(COMPONENT_MANUFACTURER ${C_MANUFACTURER})
  set(COMPONENT_DESCRIPTION ${C_DESCRIPTION})
  if(NOT C_OUTPUT_DIR)
    set(C_OUTPUT_DIR ${CMAKE_BINARY_DIR})
  endif()
  set(bundle ${C_OUTPUT_DIR}/${C_NAME}.component)

  # The templates sit beside this file, whichever folder's scope calls the function.
  set(ORBEX_AU_TEMPLATE_DIR ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/component)
  set(gen_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_component)
  set(COMPONENT_NAME ${C_NAME})
  set(COMPONENT_IDENTIFIER ${C_IDENTIFIER})
  set(COMPONENT_VERSION ${C_VERSION})
  configure_file(${ORBEX_AU_TEMPLATE_DIR}/Register.cpp.in ${gen_dir}/Register.cpp @ONLY)
  configure_file(${ORBEX_AU_TEMPLATE_DIR}/exports.map.in ${gen_dir}/exports.map @ONLY)
  configure_file(${ORBEX_AU_TEMPLATE_DIR}/Info.plist.in ${bundle}/Contents/Info.plist @ONLY)

  add_library(${target} SHARED ${C_SOURCES} ${gen_dir}/Register.cpp)
  # orbex_au may be defined after the caller's folder; targets are resolved when generating.
  target_link_libraries(${target} PRIVATE orbex_au ${C_LIBS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${target} PRIVATE -fvisibility=hidden -fvisibility-inlines-hidden)
  target_link_options(${target} PRIVATE -Wl,--exclude-libs,ALL -Wl,--version-script=${gen_dir}/exports.map)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${C_NAME}
    PREFIX ""
    SUFFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${bundle}/Contents/MacOS
    LINK_DEPENDS ${gen_dir}/exports.map
    ORBEX_COMPONENT_DIR ${bundle})

  # Resources: a file goes into Contents/Resources, a folder's files keep their paths below
  # it. Each copy is a build step of its own, so a changed resource is copied again without
  # relinking the library.
  file(MAKE_DIRECTORY ${bundle}/Contents/Resources)
  set(copies)
  foreach(res ${C_RESOURCES})
    if(IS_DIRECTORY ${res})
      file(GLOB_RECURSE files RELATIVE ${res} CONFIGURE_DEPENDS ${res}/*)
      set(base ${res})
    else()
      get_filename_component(files ${res} NAME)
      get_filename_component(base ${res} DIRECTORY)
    endif()
    foreach(f ${files})
      set(dest ${bundle}/Contents/Resources/${f})
      add_custom_command(OUTPUT ${dest}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${base}/${f} ${dest}
        DEPENDS ${base}/${f}
        VERBATIM)
      list(APPEND copies ${dest})
    endforeach()
  endforeach()
  if(copies)
    add_custom_target(${target}_resources DEPENDS ${copies})
    add_dependencies(${target} ${target}_resources)
  endif()
endfunction()
