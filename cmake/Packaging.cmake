# `cpack -G DEB` (or `make package`): one Debian package, postvane-config, with both programs and everything
# data/ installs. Its dependencies are those of the libraries the programs link, as dpkg-shlibdeps finds them.
set(CPACK_PACKAGE_NAME postvane-config)
set(CPACK_PACKAGE_VENDOR "The PostvaneConfig developers")
set(CPACK_PACKAGE_CONTACT "The PostvaneConfig developers <postvane-config@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the configuration files of a Postvane mail server")
set(CPACK_PACKAGE_DESCRIPTION
  "The Postvane Configuration Editor edits the XML configuration files of the\n\
Postvane mail-processing server: the master file and its mailboxes, the\n\
dispositions of every message category, the detailed file of each disposition,\n\
and the monitoring and logging files. Every file is rewritten whole, in the\n\
exact format the server reads.\n\
\n\
postvane-config-tool loads, checks and rewrites the same files without a\n\
display, for scripts and continuous integration.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_INSTALL_DIRECTORY PostvaneConfig)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The build carries debug information; the package does not.
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# "Open File in Notepad" may start sensible-editor (as $EDITOR names it, or in a terminal); Debian's policy
# is that a program that may run it depends on its package.
set(CPACK_DEBIAN_PACKAGE_DEPENDS sensible-utils)
# Graphviz's libraries are loaded when the Overview opens, not linked, so the scan of shared libraries does
# not see them: their packages are named from the files the build found.
foreach(library IN ITEMS ${found_gvc} ${found_cgraph})
  file(REAL_PATH ${library} real)
  execute_process(COMMAND dpkg-query -S ${real} OUTPUT_VARIABLE owner RESULT_VARIABLE status ERROR_QUIET)
  if(status EQUAL 0 AND owner MATCHES "^([^:]+):")
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${CMAKE_MATCH_1}")
  endif()
endforeach()
# Qt draws the window icon, which is an SVG, through the SVG plug-in; the programs run without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libqt6svg6)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
