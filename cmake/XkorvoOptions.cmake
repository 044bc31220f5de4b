# Compiler options shared by every target of the project, handed on through one INTERFACE target
# instead of global flags.
option(XKORVO_WERROR "Treat warnings as errors" OFF)
option(XKORVO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(XKORVO_FUZZ "Build the fuzz targets with libFuzzer (needs clang)" OFF)

add_library(xkorvo_options INTERFACE)
target_compile_options(xkorvo_options INTERFACE
  -Wall -Wextra
  # The engine's results must not depend on the compiler: no fused multiply-add may move a
  # floor(x + 0.5) across a half.
  -ffp-contract=off
  $<$<BOOL:${XKORVO_WERROR}>:-Werror>)
target_include_directories(xkorvo_options INTERFACE ${PROJECT_SOURCE_DIR})

if(XKORVO_SANITIZE)
  set(XKORVO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                             -fno-omit-frame-pointer)
  target_compile_options(xkorvo_options INTERFACE ${XKORVO_SANITIZER_FLAGS})
  target_link_options(xkorvo_options INTERFACE ${XKORVO_SANITIZER_FLAGS})
endif()

# libFuzzer is guided by the coverage of the code under test, which lives in the libraries: every
# target is instrumented, the fuzz targets alone link the fuzzer's main.
if(XKORVO_FUZZ)
  target_compile_options(xkorvo_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

# The version record of the programs: "major.minor" decides whether a settings file is trusted.
set(XKORVO_VERSION_STRING "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")

# Adds every direct subfolder of the current source folder that has a CMakeLists.txt, so a new
# topic folder (tests, fuzz targets, plug-ins, benchmarks) needs no edit of its parent.
macro(xkorvo_add_child_folders)
  file(GLOB _xkorvo_children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(_xkorvo_child ${_xkorvo_children})
    if(IS_DIRECTORY ${_xkorvo_child} AND EXISTS ${_xkorvo_child}/CMakeLists.txt)
      add_subdirectory(${_xkorvo_child})
    endif()
  endforeach()
endmacro()
