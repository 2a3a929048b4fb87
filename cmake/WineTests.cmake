# Running the cross-built programs under Wine from CTest.
find_program(VELMOR_WINE NAMES wine wine64 REQUIRED)
set(VELMOR_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(VELMOR_WINE_ENV
  "WINEPREFIX=${VELMOR_WINEPREFIX}"
  "WINEDEBUG=-all"
  "WINEDLLOVERRIDES=mscoree,mshtml=")
set(VELMOR_DLL ${CMAKE_BINARY_DIR}/bin/VelmorCOM.dll)

# The Z:\ form of a Unix path, as Windows programs under Wine see it.
function(velmor_winpath out path)
  string(REPLACE "/" "\\" win "${path}")
  set(${out} "Z:${win}" PARENT_SCOPE)
endfunction()

# velmor_add_gtest(NAME n SOURCES ... [LIBS ...] [REGISTERED] [TIMEOUT s] [ENV ...])
function(velmor_add_gtest)
  cmake_parse_arguments(T "REGISTERED" "NAME;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} velmor_test_common GTest::gtest_main)
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
  add_test(NAME ${T_NAME} COMMAND ${VELMOR_WINE} $<TARGET_FILE:${T_NAME}> --gtest_brief=1)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${VELMOR_WINE_ENV};${T_ENV}" TIMEOUT ${T_TIMEOUT})
  if(T_REGISTERED)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED velmor_registered)
  endif()
endfunction()

# velmor_add_script_test(NAME n SCRIPT file.vbs|file.js [ARGS ...] [TIMEOUT s])
# Passes when the script exits with 0 and stops on no script error.
function(velmor_add_script_test)
  cmake_parse_arguments(T "" "NAME;SCRIPT;TIMEOUT" "ARGS" ${ARGN})
  get_filename_component(script ${T_SCRIPT} ABSOLUTE)
  velmor_winpath(winscript ${script})
  add_test(NAME ${T_NAME} COMMAND ${PROJECT_SOURCE_DIR}/scripts/run-script-test.sh ${winscript} ${T_ARGS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${VELMOR_WINE_ENV}" TIMEOUT ${T_TIMEOUT}
    FIXTURES_REQUIRED velmor_registered)
endfunction()
