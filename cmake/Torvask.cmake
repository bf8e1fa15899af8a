# House build rules: warnings, sanitizers and the helpers every module uses.

option(TORVASK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TORVASK_WERROR "Treat warnings as errors" OFF)
option(TORVASK_FUZZ "Build the libFuzzer targets under tests/fuzz (clang only; implies the sanitizers)" OFF)

set(TORVASK_WARNINGS -Wall -Wextra -Wpedantic)
if(TORVASK_WERROR)
  list(APPEND TORVASK_WARNINGS -Werror)
endif()

if(TORVASK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TORVASK_FUZZ needs clang (configure with CC=clang CXX=clang++)")
  endif()
  # Coverage feedback for every library the readers use; the fuzzer's own main is linked only
  # into the fuzz executables.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(TORVASK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# torvask_library(name SOURCES ... [DEPS ...] [PRIVATE_DEPS ...])
# One static library per module; every module includes as "module/Header.h" from src/.
function(torvask_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${TORVASK_WARNINGS})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
  if(ARG_PRIVATE_DEPS)
    target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_DEPS})
  endif()
endfunction()

# torvask_executable(name SOURCES ... [DEPS ...]): placed beside the configuration in the build folder.
function(torvask_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${TORVASK_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TORVASK_RUNTIME_DIR})
endfunction()

# torvask_test(name SOURCES ... [DEPS ...] [XVFB] [NO_MAIN])
# A GoogleTest executable under build/tests; its cases are discovered into CTest.
# XVFB runs the whole executable as one CTest case under xvfb-run (for GL and widget tests).
function(torvask_test name)
  cmake_parse_arguments(ARG "XVFB;NO_MAIN" "" "SOURCES;DEPS" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${TORVASK_WARNINGS})
  if(ARG_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest_main GTest::gmock)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(ARG_XVFB)
    add_test(NAME ${name}
             COMMAND xvfb-run -a -s "-screen 0 1280x800x24" $<TARGET_FILE:${name}>
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
