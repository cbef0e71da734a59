# Run by CPack after installing into its staging folder, before packing it:
# every directory 0755 whatever the umask, which CMake's own mkdir applies
# (files get their modes from the install rules); and in the Debian package
# the program without the .comment and .note sections, as Debian's own
# packages strip them (dh_strip).
file(GLOB_RECURSE directories LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(directory IN ITEMS "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" ${directories})
  if(IS_DIRECTORY "${directory}")
    file(CHMOD "${directory}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_DIE_FAIRNESS_OBJCOPY)
  file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
  foreach(program IN LISTS programs)
    execute_process(COMMAND "${CPACK_DIE_FAIRNESS_OBJCOPY}" --remove-section=.comment --remove-section=.note
                            "${program}" COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
endif()
