# Where `cmake --install` puts things, relative to the prefix.
#
# On Linux the programs live in lib/corvale/ with their tools in
# lib/corvale/core/ (they look for core/ beside their own real executable),
# and bin/ holds relative links to them; the help page, the desktop entry,
# the icons, the AppStream data and the manual pages go under share/. On
# Windows the prefix is the program's own folder (C:\Program Files\Corvale
# for the installer): the programs at its top, core\ and help\ beside them.
include(GNUInstallDirs)

# The reverse-DNS name of the desktop entry, the AppStream data and the icon.
set(CORVALE_APP_ID io.github.lumeno.Corvale)

if(WIN32)
  set(CORVALE_INSTALL_PROGRAM_DIR .)
  set(CORVALE_INSTALL_HELP_DIR help)
else()
  set(CORVALE_INSTALL_PROGRAM_DIR lib/corvale)
  set(CORVALE_INSTALL_HELP_DIR ${CMAKE_INSTALL_DATADIR}/corvale/help)
endif()
set(CORVALE_INSTALL_CORE_DIR ${CORVALE_INSTALL_PROGRAM_DIR}/core)

# The help folder as seen from the programs' folder, which is how the program
# finds its installed help page whatever the prefix.
file(RELATIVE_PATH CORVALE_HELP_FROM_PROGRAM_DIR
  /${CORVALE_INSTALL_PROGRAM_DIR} /${CORVALE_INSTALL_HELP_DIR})

# corvale_install_bin_link(<program>): <prefix>/bin/<program> as a relative
# link to the program in its own folder. The link is made in the build tree
# and installed as a link, so it holds under any prefix and inside packages.
function(corvale_install_bin_link program)
  if(WIN32 OR CORVALE_INSTALL_PROGRAM_DIR STREQUAL CMAKE_INSTALL_BINDIR)
    return()
  endif()
  file(RELATIVE_PATH target /${CMAKE_INSTALL_BINDIR} /${CORVALE_INSTALL_PROGRAM_DIR}/${program})
  set(link ${CMAKE_BINARY_DIR}/bin-links/${program})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bin-links)
  file(CREATE_LINK ${target} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
