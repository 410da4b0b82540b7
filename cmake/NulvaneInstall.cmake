# Where `cmake --install` puts the programs and their data (GNUInstallDirs), and the Debian packages CPack
# makes of them: the command line alone (`nulvane-cli`, QtCore only), the window (`nulvane`, which needs the
# command line's package for the program texts) and the GNOME Files menu entry (`nautilus-nulvane`). The
# programs find their data in ../share/nulvane beside their bin/ folder.
set(NULVANE_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(NULVANE_DEBIAN_RELEASE 2)
set(NULVANE_DEBIAN_VERSION ${PROJECT_VERSION}-${NULVANE_DEBIAN_RELEASE})

# The program texts serve both programs; the help and the manual only the window.
set(NULVANE_CLI_DATA ${CMAKE_SOURCE_DIR}/data/nulvane.dat)
set(NULVANE_WINDOW_DATA ${NULVANE_DATA_FILES})
list(REMOVE_ITEM NULVANE_WINDOW_DATA ${NULVANE_CLI_DATA})

# Manual pages and the changelog go compressed, without a time stamp, so that builds are reproducible.
set(compressed)
foreach(source ${NULVANE_PACKAGING}/nulvane.1 ${CMAKE_SOURCE_DIR}/src/cli/nulvane-cli.1
               ${NULVANE_PACKAGING}/changelog)
  get_filename_component(name ${source} NAME)
  if(name STREQUAL "changelog")
    set(name changelog.Debian)
  endif()
  set(output ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/compressed
                     COMMAND sh -c "gzip -9 -n -c '${source}' > '${output}'"
                     DEPENDS ${source} VERBATIM)
  list(APPEND compressed ${output})
endforeach()
add_custom_target(nulvane_compressed_docs ALL DEPENDS ${compressed})

# Every package carries its own copyright and changelog.
function(nulvane_package_docs component package)
  install(FILES ${NULVANE_PACKAGING}/copyright ${CMAKE_BINARY_DIR}/compressed/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endfunction()

# The command line.
install(TARGETS nulvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
# Its settings backend, with QtCore: loaded from ../lib/nulvane the first time it reads or writes a setting.
install(TARGETS nulvane-settings LIBRARY DESTINATION ${NULVANE_SETTINGS_MODULE_DIR} COMPONENT cli)
install(FILES ${NULVANE_CLI_DATA} DESTINATION ${CMAKE_INSTALL_DATADIR}/nulvane COMPONENT cli)
install(FILES ${CMAKE_BINARY_DIR}/compressed/nulvane-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT cli)
# Its completion for bash, where bash-completion loads it when nulvane-cli is first completed.
install(FILES ${CMAKE_SOURCE_DIR}/src/cli/nulvane-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME nulvane-cli COMPONENT cli)
nulvane_package_docs(cli nulvane-cli)

# The window, its desktop entry, icon and AppStream data, and the menu entries of the file managers that
# read them from /usr/share: Dolphin's service menu and Nemo's action.
install(TARGETS nulvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT window)
install(FILES ${NULVANE_WINDOW_DATA} DESTINATION ${CMAKE_INSTALL_DATADIR}/nulvane COMPONENT window)
install(FILES ${NULVANE_PACKAGING}/org.nulvane.Nulvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT window)
install(FILES ${NULVANE_PACKAGING}/org.nulvane.Nulvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT window)
install(FILES ${NULVANE_PACKAGING}/org.nulvane.Nulvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        COMPONENT window)
install(FILES ${NULVANE_PACKAGING}/filemanagers/nulvane-purge.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus COMPONENT window)
install(FILES ${NULVANE_PACKAGING}/filemanagers/nulvane-purge.nemo_action
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nemo/actions COMPONENT window)
install(FILES ${CMAKE_BINARY_DIR}/compressed/nulvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT window)
nulvane_package_docs(window nulvane)

# GNOME Files' entry is a Python extension: its own package, so that the window needs no Python.
install(FILES ${NULVANE_PACKAGING}/filemanagers/nulvane_purge.py
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nautilus-python/extensions COMPONENT nautilus)
nulvane_package_docs(nautilus nautilus-nulvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nulvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Nulvane Software")
set(CPACK_PACKAGE_CONTACT "Nulvane Software <packages@nulvane.org>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli window nautilus)
set(CPACK_DEBIAN_PACKAGE_SOURCE nulvane)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://nulvane.org")
# The licence permits use but not redistribution: Debian files such a package under non-free.
set(CPACK_DEBIAN_PACKAGE_SECTION non-free/utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${NULVANE_DEBIAN_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

# CPack writes these into its own configuration unquoted: no double quotes or semicolons in them. Lines are
# indented and empty ones marked by CPack.
set(about_purge
    "Nulvane purges files: it overwrites every byte of a file, in whole\n"
    "cluster-sized blocks, with the bit patterns and random bytes of the chosen\n"
    "type of purge, for the chosen number of passes, forces each write to the\n"
    "disk and then deletes the file. It works on one file or on folder trees\n"
    "with file specifications and a date limit, lists files with purge-time\n"
    "estimates and reports every run.\n"
    "\n")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME nulvane-cli)
set(CPACK_DEBIAN_CLI_DESCRIPTION
    "overwrite files so that they cannot be recovered (command line)\n" ${about_purge}
    "This package holds the command line, nulvane-cli, which needs no window\n"
    "system: for servers and scripts. The window is in the package nulvane.")
# Version 1.0-1 was one package with both programs: the command line and its texts moved here.
set(CPACK_DEBIAN_CLI_PACKAGE_BREAKS "nulvane (<< ${NULVANE_DEBIAN_VERSION})")
set(CPACK_DEBIAN_CLI_PACKAGE_REPLACES "nulvane (<< ${NULVANE_DEBIAN_VERSION})")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME nulvane)
set(CPACK_DEBIAN_WINDOW_DESCRIPTION
    "overwrite files so that they cannot be recovered (window)\n" ${about_purge}
    "This package holds the window, nulvane, with the entry Purge with Nulvane\n"
    "in the context menus of Dolphin and Nemo (GNOME Files: nautilus-nulvane).\n"
    "A file or folder dropped on the window or chosen in the menu becomes its\n"
    "target. Nothing is purged before the purge is confirmed.")
# The program texts come with the command line. The window's icon is an SVG, drawn by Qt's SVG plug-in,
# which no library of the window links.
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "nulvane-cli (= ${NULVANE_DEBIAN_VERSION}), libqt6svg6")

set(CPACK_DEBIAN_NAUTILUS_PACKAGE_NAME nautilus-nulvane)
set(CPACK_DEBIAN_NAUTILUS_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_NAUTILUS_PACKAGE_SECTION non-free/gnome)
set(CPACK_DEBIAN_NAUTILUS_DESCRIPTION
    "Purge with Nulvane in the context menu of GNOME Files\n"
    "A nautilus-python extension that offers the entry Purge with Nulvane for\n"
    "one local file or folder. It opens the Nulvane window with that item as\n"
    "its target. Nothing is purged before the purge is confirmed there.")
set(CPACK_DEBIAN_NAUTILUS_PACKAGE_DEPENDS "nulvane (= ${NULVANE_DEBIAN_VERSION}), python3-nautilus")
foreach(component CLI WINDOW NAUTILUS)
  string(REPLACE ";" "" CPACK_DEBIAN_${component}_DESCRIPTION "${CPACK_DEBIAN_${component}_DESCRIPTION}")
endforeach()
include(CPack)
