# Run at every build (cmake -P): writes the header with the player's version,
# the project's version with the checkout's git description after it when
# the sources are a git checkout. The header is rewritten only when the text
# changes, so that an unchanged version rebuilds nothing.
#   -DSOURCE_DIR=... -DOUTPUT=... -DPROJECT_VERSION=...
cmake_policy(VERSION 3.25)
set(_version "${PROJECT_VERSION}")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(
    COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" describe --tags --always --dirty
    OUTPUT_VARIABLE _described OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _failed ERROR_QUIET)
  if(NOT _failed AND NOT _described STREQUAL "")
    string(APPEND _version " (${_described})")
  endif()
endif()
file(CONFIGURE OUTPUT "${OUTPUT}"
  CONTENT "#pragma once\n#define KIVO_VERSION \"@_version@\"\n" @ONLY)
