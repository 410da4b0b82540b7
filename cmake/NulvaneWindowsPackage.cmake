# The Windows command line as a zip: nulvane-cli.exe with its program texts and help beside it, where it
# looks for them (scripts/package windows makes it).
install(TARGETS nulvane-cli RUNTIME DESTINATION .)
install(FILES ${NULVANE_DATA_FILES} DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION . RENAME copyright.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME nulvane-cli)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Nulvane Software")
set(CPACK_SYSTEM_NAME windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
