# The Debian package of a packaged build (CUSTODIA_PACKAGED, made by scripts/package): `cpack` in the
# build folder writes custodia_VERSION_ARCH.deb of the installation laid out by cmake/Install.cmake.
if(NOT CUSTODIA_PACKAGED)
  return()
endif()

set(package_doc share/doc/custodia)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/package/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/package/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/package/changelog
  VERBATIM)
add_custom_target(custodia_package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/package/changelog.gz
  DESTINATION ${package_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME custodia)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Custodia developers <custodia@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "supervisor's account console of the data-logger programs")
# The extended description only; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The data-logger programs of the suite share folders (login paths) that hold
their account files: users and their passwords, groups and their rights per
program, the list of logger databases and their office names. This package
holds the desktop console (custodia) that creates and edits these files, and
custodiactl, the same operations for scripts and terminals, with their manual
pages and the bash completion of custodiactl.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are what dpkg-shlibdeps finds the programs linked against, not a list kept by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The installation's user file lives under /etc, outside the prefix, and is the administrator's to
# change: a conffile, which dpkg keeps when changed and removes only on purge.
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
