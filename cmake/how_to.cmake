# The README's "how to use" paragraph, cut out once: the student's page and the
# Windows folder's README.txt give students the same words. Sets HOW_TO (the
# paragraph's Markdown) and writes it to how-to.md in the build folder.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/README.md")
file(READ "${PROJECT_SOURCE_DIR}/README.md" readme)
if(NOT readme MATCHES "<!-- page: how to use -->\n([^<]*)\n<!-- end -->")
  message(FATAL_ERROR "README.md has no paragraph marked 'how to use' (<!-- page: how to use --> ... <!-- end -->)")
endif()
set(HOW_TO "${CMAKE_MATCH_1}")
file(CONFIGURE OUTPUT "${PROJECT_BINARY_DIR}/how-to.md" CONTENT "${HOW_TO}\n" @ONLY)
unset(readme)
