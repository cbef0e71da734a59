# Run at install time, before anything is installed: notes which of the
# install's folders do not exist yet, so that the uninstall target removes the
# folders this install made (when they are empty again) and no other. The
# notes of earlier installs stay while their folders do. Set by the install
# rules: die_fairness_folders (relative to the prefix, or absolute) and
# die_fairness_made_folders (the notes' file, in the build folder).
if(NOT "$ENV{DESTDIR}" STREQUAL "" OR CMAKE_INSTALL_PREFIX MATCHES "/_CPack_Packages/")
  return()  # a package's staging folder, not a place that anyone uninstalls from
endif()
set(made "")
if(EXISTS "${die_fairness_made_folders}")
  file(STRINGS "${die_fairness_made_folders}" noted)
  foreach(folder IN LISTS noted)
    if(IS_DIRECTORY "${folder}")
      list(APPEND made "${folder}")
    endif()
  endforeach()
endif()
foreach(folder IN LISTS die_fairness_folders)
  cmake_path(ABSOLUTE_PATH folder BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE)
  # The folder and each of its parents that the install is about to make.
  while(NOT EXISTS "${folder}")
    list(APPEND made "${folder}")
    cmake_path(GET folder PARENT_PATH parent)
    if(parent STREQUAL folder)
      break()
    endif()
    set(folder "${parent}")
  endwhile()
endforeach()
list(REMOVE_DUPLICATES made)
list(JOIN made "\n" lines)
file(WRITE "${die_fairness_made_folders}" "${lines}\n")
