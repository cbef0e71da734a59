# The README's texts for students, cut out once, so that the student's page,
# the Windows folder's README.txt and the manual page give students the same
# words as the README: the "how to use" paragraph and the "judging" section.
# Sets HOW_TO and JUDGING (their Markdown: paragraphs, and blocks indented by
# four blanks that stand as they are), JUDGING_TEXT (plain text, for
# README.txt) and JUDGING_ROFF (for the manual page), and writes how-to.md and
# judging.md to the build folder for the page.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/README.md")
file(READ "${PROJECT_SOURCE_DIR}/README.md" readme)
foreach(part IN ITEMS "how to use" judging)
  if(NOT readme MATCHES "<!-- page: ${part} -->\n([^<]*)\n<!-- end -->")
    message(FATAL_ERROR "README.md has no part marked '${part}' (<!-- page: ${part} --> ... <!-- end -->)")
  endif()
  set(text "${CMAKE_MATCH_1}")
  if(part STREQUAL judging)
    set(JUDGING "${text}")
  else()
    set(HOW_TO "${text}")
  endif()
endforeach()
file(CONFIGURE OUTPUT "${PROJECT_BINARY_DIR}/how-to.md" CONTENT "${HOW_TO}\n" @ONLY)
file(CONFIGURE OUTPUT "${PROJECT_BINARY_DIR}/judging.md" CONTENT "${JUDGING}\n" @ONLY)
string(REPLACE "`" "" JUDGING_TEXT "${JUDGING}")

# The manual page's form: a paragraph each, an indented block as it stands;
# roff's own characters escaped, and the few others the README uses named.
set(JUDGING_ROFF "")
set(rest "${JUDGING_TEXT}\n\n")
while(NOT rest STREQUAL "")
  string(FIND "${rest}" "\n\n" end)
  string(SUBSTRING "${rest}" 0 ${end} block)
  math(EXPR end "${end} + 2")
  string(SUBSTRING "${rest}" ${end} -1 rest)
  string(REPLACE "\\" "\\e" block "${block}")
  string(REPLACE "-" "\\-" block "${block}")
  foreach(pair IN ITEMS "×:\\(mu" "±:\\(+-" "√:\\(sr" "−:\\-")
    string(REGEX MATCH "^([^:]*):(.*)$" pair "${pair}")
    string(REPLACE "${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}" block "${block}")
  endforeach()
  if(block MATCHES "[^ -~\n]")
    message(FATAL_ERROR "README.md's judging part holds a character that its manual page cannot show: name it here")
  endif()
  # No line may read as a request (literal replacements: a regular expression's ^ would match again mid-text).
  set(block "\n${block}")
  string(REPLACE "\n." "\n\\&." block "${block}")
  string(REPLACE "\n'" "\n\\&'" block "${block}")
  if(block MATCHES "^\n    ")
    string(REPLACE "\n    " "\n" block "${block}")
    string(SUBSTRING "${block}" 1 -1 block)
    string(APPEND JUDGING_ROFF ".PP\n.RS\n.nf\n${block}\n.fi\n.RE\n")
  else()
    string(SUBSTRING "${block}" 1 -1 block)
    string(APPEND JUDGING_ROFF ".PP\n${block}\n")
  endif()
endwhile()
unset(readme)
unset(rest)
