# `cmake --install build --prefix DIR` lays out a complete installation, the same as the output folder
# without the demo and the German test words:
#
#   DIR/lib/custodia/   the programs beside their word files, help text, pictures and an empty user file
#   DIR/bin/            relative symbolic links to the two programs, for PATH
#   DIR/share/applications/custodia.desktop, DIR/share/icons/hicolor/<size>/apps/custodia.png
#
# The programs find their data in their own folder: the word loader takes the folder of the resolved
# executable (/proc/self/exe, which follows the link) and then makes it the current directory, so the
# help file, the pictures, "tessel.pwd" and "custo.cfg" are read there as well. Symbolic links keep the
# caller's current directory for everything before that, so custodiactl's relative login paths mean what
# the user typed; a wrapper script that changed directory first would break them. Relative links keep
# the tree movable as a whole (DESTDIR, packaging).
#
# The program folder is also where the console keeps its list of login paths and the installation's
# user file, so it has to be writable by whoever runs the console from there.
#
# A packaged build (CUSTODIA_PACKAGED) writes nothing under the prefix at run time: the programs go to
# bin/, their read-only data to share/custodia/, the installation's user file, which the administrator
# may fill, to /etc/custodia/; the programs keep their own files in the user's folder (platform/UserFolder.h).
if(CUSTODIA_PACKAGED)
  set(CUSTODIA_INSTALL_PROGRAM_DIR bin)
  set(CUSTODIA_INSTALL_DATA_DIR share/custodia)
else()
  set(CUSTODIA_INSTALL_PROGRAM_DIR lib/custodia)
  set(CUSTODIA_INSTALL_DATA_DIR lib/custodia)
endif()

# A user file of its own for the installation: the output folder's copy keeps the users added while
# trying the console, and an installation must start without a log-on.
set(install_staging ${CMAKE_BINARY_DIR}/install-staging)
add_custom_command(
  OUTPUT ${install_staging}/tessel.pwd
  COMMAND ${CMAKE_COMMAND} -E rm -f ${install_staging}/tessel.pwd
  COMMAND $<TARGET_FILE:custodiactl> init ${install_staging}
  DEPENDS custodiactl
  COMMENT "Creating the empty user file to install"
  VERBATIM)
add_custom_target(custodia_install_staging ALL DEPENDS ${install_staging}/tessel.pwd)

set(programs custodiactl)
if(CUSTODIA_BUILD_UI)
  list(APPEND programs custodia)
endif()
install(TARGETS ${programs} RUNTIME DESTINATION ${CUSTODIA_INSTALL_PROGRAM_DIR})
install(
  FILES ${CUSTODIA_OUTPUT_DIR}/gnrlword.eng ${CUSTODIA_OUTPUT_DIR}/cstdword.eng
        "${PROJECT_SOURCE_DIR}/data/Custodia Help.eng" ${PROJECT_SOURCE_DIR}/data/techsprt.txt
        ${PROJECT_SOURCE_DIR}/data/splash.bmp ${PROJECT_SOURCE_DIR}/data/helpbarlogo.bmp
  DESTINATION ${CUSTODIA_INSTALL_DATA_DIR})

if(CUSTODIA_PACKAGED)
  install(FILES ${install_staging}/tessel.pwd DESTINATION ${CUSTODIA_PACKAGED_CONFIG_FOLDER})
else()
  install(FILES ${install_staging}/tessel.pwd DESTINATION ${CUSTODIA_INSTALL_PROGRAM_DIR})
  # Made here as dangling links and installed as links (install() copies a link as it is).
  foreach(program IN LISTS programs)
    file(MAKE_DIRECTORY ${install_staging}/bin)
    file(CREATE_LINK ../${CUSTODIA_INSTALL_PROGRAM_DIR}/${program} ${install_staging}/bin/${program} SYMBOLIC)
    install(FILES ${install_staging}/bin/${program} DESTINATION bin)
  endforeach()
endif()

if(CUSTODIA_BUILD_UI)
  # The entry names the console by its absolute installed path, which is known only once the prefix is:
  # written at install time, then installed like any other file.
  set(desktop_file ${install_staging}/custodia.desktop)
  install(CODE "
    set(CUSTODIA_DESKTOP_TEMPLATE \"${PROJECT_SOURCE_DIR}/res/custodia.desktop.in\")
    set(CUSTODIA_DESKTOP_FILE \"${desktop_file}\")
    include(\"${PROJECT_SOURCE_DIR}/cmake/WriteDesktopEntry.cmake\")")
  install(FILES ${desktop_file} DESTINATION share/applications)
  foreach(size 16 32)
    install(
      FILES ${PROJECT_SOURCE_DIR}/res/icons/custodia-${size}.png
      DESTINATION share/icons/hicolor/${size}x${size}/apps
      RENAME custodia.png)
  endforeach()
endif()
