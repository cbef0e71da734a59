# Runs the program (through EMULATOR, if set) on one case's input and checks
# its standard output to the character, its exit status and its messages.
# Usage: cmake -DPROGRAM=path [-DEMULATOR=command] -DCASE=name -P transcript.cmake

# The introduction and the prompt, as dialogue_text.hpp pins them for every test.
include("${CMAKE_CURRENT_LIST_DIR}/dialogue_text.cmake")
dialogue_text(introduction introduction)
dialogue_text(prompt prompt)

# The cases: rejections (with a CRLF line) ended by entering 0; a sample ended
# by the end of input; a UTF-16 file with its byte-order mark, as Windows
# PowerShell 5.1 writes one; and standard output a pipe whose reader goes
# away after one byte (on Windows: on Linux that ends the program by SIGPIPE).
set(result_expected 0)
if(CASE STREQUAL "rejections")
  set(input "1,000\r\n-99999999999 7\n\n0\n")
  set(output "${introduction}${prompt}${prompt}${prompt}")
  set(messages "^Not a whole number: \"1,000\"\\..*\nOut of range: \"-99999999999\"\\.")
elseif(CASE STREQUAL "utf16")
  set(input_fixture "${CMAKE_CURRENT_LIST_DIR}/utf16le-input.txt")
  set(output "${introduction}${prompt}The sample mean = MEAN\n\n${prompt}${prompt}")
  set(messages "^Not a whole number: \"café\"\\. Enter a sample size such as 100, or 0 to quit\\.\r?\n$")
elseif(CASE STREQUAL "closed_reader")
  string(REPEAT "10\n" 100000 input)
  set(output "R")  # the one byte read
  set(messages "^Cannot write standard output: Broken pipe\\.\r?\n$")
  set(result_expected 1)
else()
  set(input "3")
  set(output "${introduction}${prompt}The sample mean = MEAN\n\n${prompt}")
  set(messages "^$")  # nothing
endif()

set(input_file "${CMAKE_CURRENT_BINARY_DIR}/transcript-${CASE}.in")
if(DEFINED input_fixture)
  configure_file("${input_fixture}" "${input_file}" COPYONLY)
else()
  file(WRITE "${input_file}" "${input}")
endif()
if(CASE STREQUAL "closed_reader")
  execute_process(COMMAND ${EMULATOR} "${PROGRAM}" INPUT_FILE "${input_file}" COMMAND head -c 1
                  OUTPUT_VARIABLE shown ERROR_VARIABLE said RESULTS_VARIABLE results)
  list(GET results 0 result)
else()
  execute_process(COMMAND ${EMULATOR} "${PROGRAM}" INPUT_FILE "${input_file}"
                  OUTPUT_VARIABLE shown ERROR_VARIABLE said RESULT_VARIABLE result)
endif()
file(REMOVE "${input_file}")
string(REPLACE "\r\n" "\n" shown "${shown}")  # a Windows console's line ends
# A mean of three rolls: a whole number, or one with up to five decimals.
string(REGEX REPLACE "mean = [1-6](\\.[0-9][0-9]?[0-9]?[0-9]?[0-9]?)?\n" "mean = MEAN\n" shown "${shown}")
if(NOT shown STREQUAL output OR NOT result STREQUAL result_expected OR NOT said MATCHES "${messages}")
  message(FATAL_ERROR "${CASE}: status ${result} (expected ${result_expected})\n"
                      "standard output:\n${shown}\nexpected:\n${output}\nstandard error:\n${said}")
endif()
