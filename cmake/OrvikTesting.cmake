# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers shared by every test folder.

# A GoogleTest executable registered with CTest; GUI tests run offscreen.
# QT_MAIN gives the tests a QApplication.
function(orvik_add_test name)
  cmake_parse_arguments(ARG "QT_MAIN" "" "SOURCES;LIBS" ${ARGN})
  if(ARG_QT_MAIN)
    add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/qt_test_main.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest Qt6::Widgets)
  else()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set(environment "QT_QPA_PLATFORM=offscreen")
  if(ORVIK_SANITIZE MATCHES "thread")
    # Qt is not built with ThreadSanitizer; its own locking is invisible to it.
    # The command line's station starts programs (QProcess) while its units'
    # threads run; the forked child only executes the program, which the
    # sanitizer would otherwise refuse.
    list(APPEND environment
         "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp:die_after_fork=0")
  endif()
  if(ORVIK_SANITIZE MATCHES "address")
    list(APPEND environment "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 300)
endfunction()

# A fuzz target over LLVMFuzzerTestOneInput. With ORVIK_BUILD_FUZZ (clang) it is
# a libFuzzer binary, linked with libFuzzer's main over code that the top level
# already instruments; otherwise it replays the stored corpus as a regular test,
# so every input that once mattered keeps being checked.
function(orvik_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(ORVIK_BUILD_FUZZ)
    add_executable(${name} ${ARG_SOURCES})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
    add_test(NAME ${name}_replay COMMAND ${name} ${ARG_CORPUS})
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()
