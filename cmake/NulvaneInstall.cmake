# Where `cmake --install` puts the program and its data (GNUInstallDirs), and the Debian package CPack makes
# of it. The programs find their data in ../share/nulvane beside their bin/ folder.
include(GNUInstallDirs)

install(TARGETS nulvane nulvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${NULVANE_DATA_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/nulvane)

set(NULVANE_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
install(FILES ${NULVANE_PACKAGING}/org.nulvane.Nulvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${NULVANE_PACKAGING}/org.nulvane.Nulvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${NULVANE_PACKAGING}/org.nulvane.Nulvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${NULVANE_PACKAGING}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/nulvane)

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
install(FILES ${CMAKE_BINARY_DIR}/compressed/nulvane.1.gz ${CMAKE_BINARY_DIR}/compressed/nulvane-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/compressed/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/nulvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nulvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Nulvane Software")
set(CPACK_PACKAGE_CONTACT "Nulvane Software <packages@nulvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "overwrite files so that they cannot be recovered")
# CPack puts the summary on the first line itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Nulvane purges files: it overwrites every byte of a file, in whole\n"
    "cluster-sized blocks, with the bit patterns and random bytes of the chosen\n"
    "type of purge, for the chosen number of passes, forces each write to the\n"
    "disk and then deletes the file. It works on one file or on folder trees\n"
    "with file specifications and a date limit, lists files with purge-time\n"
    "estimates and reports every run.\n"
    "\n"
    "The package holds the window (nulvane) and the command line (nulvane-cli).")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
