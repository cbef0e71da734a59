# Run by CPack after installing into its staging folder, before packing it:
# every directory 0755 whatever the umask, which CMake's own mkdir applies
# (files get their modes from the install rules).
file(GLOB_RECURSE directories LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(directory IN ITEMS "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" ${directories})
  if(IS_DIRECTORY "${directory}")
    file(CHMOD "${directory}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
