# What the Windows build takes from the build machine: the header-only command-line parser and GoogleTest's
# sources, both from Debian's packages, built for the target here.

# CLI11 is one header tree; a copy keeps the build machine's other headers out of the target's include path.
find_path(NULVANE_CLI11_INCLUDE CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT NULVANE_CLI11_INCLUDE)
  message(FATAL_ERROR "CLI/CLI.hpp not found: install libcli11-dev")
endif()
file(COPY ${NULVANE_CLI11_INCLUDE}/CLI DESTINATION ${CMAKE_BINARY_DIR}/cli11/include)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 INTERFACE ${CMAKE_BINARY_DIR}/cli11/include)

# Wide-character Windows APIs only, and none of windows.h's min/max macros.
target_compile_definitions(nulvane_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00
                                                     WINVER=0x0A00)

set(NULVANE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian's googletest package)")

macro(nulvane_windows_googletest)
  if(NOT EXISTS ${NULVANE_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest's sources not found in ${NULVANE_GTEST_SOURCE}: install googletest")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${NULVANE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(library gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${library})
      add_library(GTest::${library} ALIAS ${library})
    endif()
  endforeach()
endmacro()
