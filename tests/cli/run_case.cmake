# Runs solvara-report once and checks what it did. Called by ctest as
#   cmake -DPROGRAM=<exe> -DARGS=<arguments separated by |> -DEXIT=<status>
#         [-DEXPECTED=<file holding the exact standard output>]
#         [-DCONTAINS=<file holding a part of the standard output>]
#         [-DMENTION=<text the one-line error message must contain, or with status 0
#                     the standard output>]
#         [-DINPUT=<file given as standard input>]
#         -DWORK=<scratch directory> -P run_case.cmake
string(REPLACE "|" ";" arguments "${ARGS}")
file(MAKE_DIRECTORY "${WORK}")
set(out "${WORK}/stdout")
set(err "${WORK}/stderr")
if(NOT DEFINED INPUT)
  set(INPUT /dev/null)
endif()
execute_process(COMMAND "${PROGRAM}" ${arguments} INPUT_FILE "${INPUT}"
                OUTPUT_FILE "${out}" ERROR_FILE "${err}" RESULT_VARIABLE status)
file(READ "${err}" error_text)

if(NOT status STREQUAL "${EXIT}")
  message(FATAL_ERROR "exit status ${status}, expected ${EXIT}; standard error: ${error_text}")
endif()

if(DEFINED EXPECTED)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${out}" "${EXPECTED}"
                  RESULT_VARIABLE differs)
  if(differs)
    file(READ "${out}" got)
    message(FATAL_ERROR "standard output differs from ${EXPECTED}; got:\n${got}")
  endif()
  if(NOT error_text STREQUAL "")
    message(FATAL_ERROR "unexpected standard error: ${error_text}")
  endif()
endif()

if(DEFINED CONTAINS)
  file(READ "${out}" got)
  file(READ "${CONTAINS}" part)
  string(FIND "${got}" "${part}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "standard output does not hold ${CONTAINS}; got:\n${got}")
  endif()
endif()

if(EXIT STREQUAL "0" AND DEFINED MENTION)
  file(READ "${out}" got)
  string(FIND "${got}" "${MENTION}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "standard output does not name \"${MENTION}\": ${got}")
  endif()
endif()

if(EXIT STREQUAL "2")
  file(SIZE "${out}" out_size)
  if(NOT out_size EQUAL 0)
    message(FATAL_ERROR "bad input wrote ${out_size} bytes to standard output")
  endif()
  string(REGEX MATCHALL "\n" breaks "${error_text}")
  list(LENGTH breaks lines)
  string(LENGTH "${error_text}" length)
  math(EXPR last "${length} - 1")
  if(NOT lines EQUAL 1 OR last LESS 0)
    message(FATAL_ERROR "error message is not one line: [${error_text}]")
  endif()
  string(SUBSTRING "${error_text}" ${last} 1 final)
  if(NOT final STREQUAL "\n")
    message(FATAL_ERROR "error message does not end its line: [${error_text}]")
  endif()
  string(FIND "${error_text}" "${MENTION}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "error message does not name \"${MENTION}\": ${error_text}")
  endif()
endif()
