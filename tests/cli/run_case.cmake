# Runs solvara-report once and checks what it did. Called by ctest as
#   cmake -DPROGRAM=<exe> -DARGS=<arguments separated by |> -DEXIT=<status>
#         [-DEXPECTED=<file holding the exact standard output>]
#         [-DMENTION=<text the one-line error message must contain>]
#         [-DINPUT=<file given as standard input>]
#         -DWORK=<scratch directory> -P run_case.cmake
string(REPLACE "|" ";" arguments "${ARGS}")
file(MAKE_DIRECTORY "${WORK}")
if(NOT DEFINED INPUT)
  set(INPUT /dev/null)
endif()
execute_process(COMMAND "${PROGRAM}" ${arguments} INPUT_FILE "${INPUT}"
                OUTPUT_FILE "${WORK}/stdout" ERROR_FILE "${WORK}/stderr" RESULT_VARIABLE status)
file(READ "${WORK}/stdout" got)
file(READ "${WORK}/stderr" error_text)
if(NOT status STREQUAL "${EXIT}")
  message(FATAL_ERROR "exit status ${status}, expected ${EXIT}; standard error: ${error_text}")
endif()

if(DEFINED EXPECTED)
  file(READ "${EXPECTED}" part)
  if(NOT got STREQUAL part OR NOT error_text STREQUAL "")
    message(FATAL_ERROR "not ${EXPECTED}, or standard error not empty; got:\n${got}${error_text}")
  endif()
endif()

# Bad input: nothing on standard output, one line on standard error naming MENTION.
if(EXIT STREQUAL "2")
  if(NOT got STREQUAL "" OR NOT error_text MATCHES "^[^\n]+\n$")
    message(FATAL_ERROR "bad input wrote [${got}] and [${error_text}], not one error line")
  endif()
endif()
if(DEFINED MENTION)
  string(FIND "${error_text}" "${MENTION}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "\"${MENTION}\" not named in: ${error_text}")
  endif()
endif()
