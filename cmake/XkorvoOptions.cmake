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
