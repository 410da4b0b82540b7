# One place for the standard, the warnings and the sanitizers of every target of ours.
add_library(nulvane_options INTERFACE)
target_compile_features(nulvane_options INTERFACE cxx_std_20)
target_compile_options(nulvane_options INTERFACE -Wall -Wextra -Werror -Wno-missing-field-initializers)
target_compile_definitions(nulvane_options INTERFACE _FILE_OFFSET_BITS=64 QT_NO_KEYWORDS)
if(NULVANE_SANITIZE)
  target_compile_options(nulvane_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                   -fno-sanitize-recover=undefined)
  target_link_options(nulvane_options INTERFACE -fsanitize=address,undefined)
endif()

# Files named Posix*.cpp build only for POSIX systems, files named Windows*.cpp only for Windows.
function(nulvane_filter_platform_sources variable)
  if(WIN32)
    list(FILTER ${variable} EXCLUDE REGEX "/Posix[^/]*\\.cpp$")
  else()
    list(FILTER ${variable} EXCLUDE REGEX "/Windows[^/]*\\.cpp$")
  endif()
  set(${variable} ${${variable}} PARENT_SCOPE)
endfunction()

# A layer library: every .cpp of its folder, linked to the layers below it only.
function(nulvane_layer name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  nulvane_filter_platform_sources(sources)
  if(NOT sources)
    set(sources ${CMAKE_SOURCE_DIR}/cmake/EmptyLayer.cpp)  # a layer not yet filled in
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC nulvane_options ${ARG_DEPENDS})
endfunction()

# GCC 12 warns of overlapping copies inside std::string's operator+ in optimised builds, copies that cannot
# overlap (a false positive of that release's -Wrestrict); a release build must not fail on it.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(nulvane_options INTERFACE -Wno-restrict)
endif()
