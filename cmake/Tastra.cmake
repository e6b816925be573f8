# tastra_library(NAME [DEPS ...] [PRIVATE_DEPS ...] [EXCLUDE regex...])
# One internal static library per subsystem, from every .cpp under the
# calling folder (files matching an EXCLUDE regex stay out, e.g. mains).
function(tastra_library name)
  cmake_parse_arguments(A "SHARED" "" "DEPS;PRIVATE_DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(rx IN LISTS A_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${rx}")
  endforeach()
  if(NOT srcs)
    # A subsystem whose code has not been written yet.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${A_DEPS} Threads::Threads)
    return()
  endif()
  if(A_SHARED)
    add_library(${name} SHARED ${srcs})
  else()
    add_library(${name} STATIC ${srcs})
  endif()
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS} Threads::Threads PRIVATE ${A_PRIVATE_DEPS})
endfunction()

# Adds every immediate sub-folder of the calling folder that has a
# CMakeLists.txt, so tools, tests and benchmarks of each area stay in their
# own folder and list file.
function(tastra_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# tastra_test(NAME SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s] [ENV k=v ...])
# A GoogleTest executable (bin/test_<area>) run by ctest with private XDG
# folders (set up by the shared test main) and the build's data root.
function(tastra_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} tastra_test_support GTest::gtest GTest::gmock)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${A_TIMEOUT}
    LABELS "${A_LABELS}"
    ENVIRONMENT "TASTRA_DATA_ROOT=${TASTRA_DATA_ROOT_DIR};TASTRA_SOURCE_DIR=${CMAKE_SOURCE_DIR};TASTRA_BIN_DIR=${CMAKE_BINARY_DIR}/bin;${A_ENV}")
  if(TARGET tastra_data)
    add_dependencies(${name} tastra_data)
  endif()
endfunction()

# tastra_bench(NAME SOURCES ... LIBS ...): a Google Benchmark executable.
function(tastra_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} benchmark::benchmark)
  set_property(GLOBAL APPEND PROPERTY TASTRA_BENCHES ${name})
endfunction()

# tastra_fuzz(NAME SOURCES ... LIBS ...): a libFuzzer target (clang only).
function(tastra_fuzz name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT TASTRA_BUILD_FUZZ)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  add_dependencies(fuzz_all ${name})
endfunction()

# tastra_data_generated(FILE ...): files (absolute paths in the data root)
# made by a custom command elsewhere, to be built with the data root.
# Call before data/ is processed (tools/ comes first in the top list file).
function(tastra_data_generated)
  set_property(GLOBAL APPEND PROPERTY TASTRA_GENERATED_DATA ${ARGN})
endfunction()
