# What `cmake --install` and the package put in place besides the targets: directories that
# everyone may read, and manual pages.
include(GNUInstallDirs)

# Directories made while installing get 0755 whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# xkorvo_add_man_page(PAGE): the roff source PAGE (e.g. xkorvo.1, in the calling folder) with
# @PROJECT_VERSION@ filled in, compressed as man finds it, installed into its section's folder.
function(xkorvo_add_man_page page)
  string(REGEX REPLACE ".*\\.([1-9])$" "\\1" section ${page})
  set(built ${CMAKE_CURRENT_BINARY_DIR}/man/${page})
  configure_file(${page} ${built} @ONLY)
  # -n: no name or time stamp in the archive, so that every build gives the same bytes.
  add_custom_command(OUTPUT ${built}.gz
    COMMAND gzip -9nkf ${built}
    DEPENDS ${built}
    VERBATIM)
  add_custom_target(man_${page} ALL DEPENDS ${built}.gz)
  install(FILES ${built}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
