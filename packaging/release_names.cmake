# The release's files and their names, in one place: the builds name what they
# make by it, the class page and the lesson plan link by it, and
# packaging/release.sh and CI read it with
#   cmake -P packaging/release_names.cmake
# which prints the version and then one line a file, "KEY NAME", KEY being
# page, class, lesson, sheet, deb or zip.
#
# In a project the version is PROJECT_VERSION; as a script, project()'s in
# CMakeLists.txt, read by the one pattern below, which every configure checks
# against the version that CMake itself took.
set(die_fairness_release_keys page class lesson sheet deb zip)

function(die_fairness_release_names version)
  set(release_page "die-fairness-${version}.html" PARENT_SCOPE)
  set(release_class "die-fairness-class-${version}.html" PARENT_SCOPE)
  set(release_lesson "die-fairness-lesson-${version}.html" PARENT_SCOPE)
  set(release_sheet "die-fairness-record-sheet-${version}.html" PARENT_SCOPE)
  set(release_deb "die-fairness_${version}_amd64.deb" PARENT_SCOPE)
  set(release_zip "die-fairness-${version}-win64.zip" PARENT_SCOPE)
endfunction()

function(die_fairness_version_of_project out)
  file(STRINGS "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../CMakeLists.txt" line REGEX "^project\\(die-fairness VERSION ")
  if(NOT line MATCHES "^project\\(die-fairness VERSION ([0-9]+\\.[0-9]+\\.[0-9]+) ")
    message(FATAL_ERROR "no version X.Y.Z in CMakeLists.txt's project(die-fairness VERSION ...)")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  die_fairness_version_of_project(version)
  die_fairness_release_names("${version}")
  set(lines "version ${version}")
  foreach(key IN LISTS die_fairness_release_keys)
    string(APPEND lines "\n${key} ${release_${key}}")
  endforeach()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${lines}")
else()
  die_fairness_version_of_project(read_version)
  if(NOT read_version STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/release_names.cmake reads version ${read_version} from CMakeLists.txt, \
but project() gives ${PROJECT_VERSION}: mend its pattern")
  endif()
  die_fairness_release_names("${PROJECT_VERSION}")
  unset(read_version)
endif()
