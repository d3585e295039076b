# ql_add_wine_test(<name> SCRIPT <file.sh> [TIMEOUT <seconds>] [ENV <VAR=value>...])
#
# Registers a Wine integration test: a bash script that sources tools/wine/machine.sh,
# makes its own test machine and exits 0 (passed), 1 (failed) or 77 (skipped: no Wine, no
# 32-bit support or no win32 build). Wine tests carry the label "wine". Each one has a
# machine of its own (prefix, display, wineserver), so they may run side by side;
# ./quillon test runs several at a time. ENV adds settings of the script's own.
include_guard(GLOBAL)

set(QL_WINE_TOOLS_DIR ${CMAKE_CURRENT_LIST_DIR})

function(ql_add_wine_test name)
  cmake_parse_arguments(ARG "" "SCRIPT;TIMEOUT" "ENV" ${ARGN})
  if(NOT ARG_SCRIPT)
    message(FATAL_ERROR "ql_add_wine_test(${name}): SCRIPT is required")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  get_filename_component(script ${ARG_SCRIPT} ABSOLUTE)
  add_test(NAME wine.${name} COMMAND bash ${script})
  set_tests_properties(wine.${name} PROPERTIES
    LABELS wine
    SKIP_RETURN_CODE 77
    TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QL_WIN32_BUILD_DIR=${QL_WIN32_BUILD_DIR};QL_REPO_DIR=${CMAKE_SOURCE_DIR};${ARG_ENV}")
endfunction()
