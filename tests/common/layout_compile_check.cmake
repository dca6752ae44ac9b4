# Compiles case CASE of tests/common/layout_compile/cases.cpp on its own and
# checks the outcome: case 0 must compile; every other case must be refused,
# and the compiler's messages must hold EXPECT (the message of the check that
# catches the mistake).
#
#   cmake -DCOMPILER=... -DSOURCE_DIR=... -DCASE=n [-DEXPECT=text] -P layout_compile_check.cmake
execute_process(
  COMMAND ${COMPILER} -std=c++20 -fsyntax-only -DCASE=${CASE} -I${SOURCE_DIR}/src
          ${SOURCE_DIR}/tests/common/layout_compile/cases.cpp
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(CASE EQUAL 0)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "case 0 (well-formed layouts) did not compile:\n${output}")
  endif()
  return()
endif()
if(status EQUAL 0)
  message(FATAL_ERROR "case ${CASE} compiled, but its layout or values are wrong")
endif()
string(FIND "${output}" "${EXPECT}" found)
if(found EQUAL -1)
  message(FATAL_ERROR "case ${CASE} was refused, but not with \"${EXPECT}\":\n${output}")
endif()
message(STATUS "case ${CASE} refused: ${EXPECT}")
