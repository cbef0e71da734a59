# The dialogue's fixed text as tests/dialogue_text.hpp pins it, read out of
# that header for the tests that are not C++: the one reader of it.
# Included: dialogue_text(NAME VARIABLE) sets VARIABLE to the text of the
# header's string NAME (introduction, prompt, mean_line_start). As a script
# (cmake -P tests/dialogue_text.cmake) it prints all three as one JSON object.
set(dialogue_text_header "${CMAKE_CURRENT_LIST_DIR}/dialogue_text.hpp")
set(dialogue_text_names introduction prompt mean_line_start)

# The literals after "NAME =" up to the ";", joined; they hold no quote or
# backslash but the \n that ends a line.
function(dialogue_text name out)
  file(READ "${dialogue_text_header}" header)
  if(NOT header MATCHES "inline const std::string ${name} =([^;]*);")
    message(FATAL_ERROR "${dialogue_text_header} has no string ${name}")
  endif()
  string(REGEX MATCHALL "\"[^\"]*\"" pieces "${CMAKE_MATCH_1}")
  set(text "")
  foreach(piece IN LISTS pieces)
    string(REGEX REPLACE "^\"(.*)\"$" "\\1" piece "${piece}")
    if(piece MATCHES "\\\\[^n]")
      message(FATAL_ERROR "${dialogue_text_header}: ${name} holds an escape other than \\n")
    endif()
    string(REPLACE "\\n" "\n" piece "${piece}")
    string(APPEND text "${piece}")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  set(json "{}")
  foreach(name IN LISTS dialogue_text_names)
    dialogue_text(${name} text)
    string(REPLACE "\n" "\\n" text "${text}")
    string(JSON json SET "${json}" ${name} "\"${text}\"")
  endforeach()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${json}")
endif()
