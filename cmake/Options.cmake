# Every compile-time switch of the project, in one place (listed in README).
option(TASTRA_WERROR "Treat compiler warnings as errors" OFF)
set(TASTRA_SANITIZE "" CACHE STRING "Sanitizer build: empty, 'address' (ASan + UBSan) or 'thread' (TSan)")
option(TASTRA_BUILD_TESTS "Build the unit and integration tests" ON)
option(TASTRA_BUILD_BENCH "Build the benchmarks" ON)
option(TASTRA_BUILD_FUZZ "Build libFuzzer targets (needs clang)" OFF)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

add_compile_options(-Wall -Wextra)
if(TASTRA_WERROR)
  add_compile_options(-Werror)
endif()

if(TASTRA_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(TASTRA_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT TASTRA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TASTRA_SANITIZE must be empty, 'address' or 'thread'")
endif()

# Fuzz builds instrument every library for coverage; the fuzz targets add the
# fuzzer runtime themselves (tastra_fuzz).
if(TASTRA_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
