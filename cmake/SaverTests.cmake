# Test registration shared by both builds.
#
# saver_native_test(name SOURCES ... LIBS ...): a GoogleTest program of the native build, label "native".
# saver_wine_test(name SOURCES ... LIBS ... [LABEL wine|e2e] [WINVER winxp|win98] [TIMEOUT s]):
#   in the Windows build, the test program name.exe; in the native build, the ctest entry that runs it
#   under Wine (tests/harness/wine-run), so one call declares both halves.

function(saver_native_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(SAVER_WINDOWS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  add_test(NAME native.${name} COMMAND ${name})
  set_tests_properties(native.${name} PROPERTIES LABELS native TIMEOUT 300)
endfunction()

function(saver_wine_test name)
  cmake_parse_arguments(T "" "LABEL;WINVER;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL wine)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  if(SAVER_WINDOWS)
    if(NOT SAVER_TESTS)
      return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} testlib gtest_main)
    return()
  endif()
  set(args)
  if(T_WINVER)
    set(args --winver ${T_WINVER})
  endif()
  add_test(NAME ${T_LABEL}.${name}
           COMMAND ${CMAKE_SOURCE_DIR}/tests/harness/wine-run ${args} ${SAVER_WIN_BIN}/${name}.exe)
  set_tests_properties(${T_LABEL}.${name} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT}
                       ENVIRONMENT "SAVER_BUILD_DIR=${CMAKE_BINARY_DIR};SAVER_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
