# Install layout and Debian package, in Debian's layout for games: games/dustreach is the launcher,
# which gives the game a working folder of the player's own (saves included) with links to the
# read-only data in share/games/dustreach; the real executable is lib/games/dustreach/dustreach.
# Also installs the desktop entry, AppStream metadata, icons, manual page, copyright and changelog.
# Build the package with tools/make_package.sh.
include(GNUInstallDirs)

# Fixed names rather than GNUInstallDirs' LIBDIR (a multiarch folder on Debian) and DOCDIR (named
# after the project, not the package).
set(DUSTREACH_INSTALL_LAUNCHER_DIR games)
set(DUSTREACH_INSTALL_BINARY_DIR lib/games/dustreach)
set(DUSTREACH_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/games/dustreach)
set(DUSTREACH_INSTALL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/dustreach)
set(DUSTREACH_APP_ID org.dustreach.Dustreach)

# The launcher finds the data and the executable relative to its own folder, so the install (and
# the package) can be moved as a whole.
file(RELATIVE_PATH DUSTREACH_LAUNCHER_DATA_REL
  ${CMAKE_INSTALL_PREFIX}/${DUSTREACH_INSTALL_LAUNCHER_DIR}
  ${CMAKE_INSTALL_PREFIX}/${DUSTREACH_INSTALL_DATA_DIR})
file(RELATIVE_PATH DUSTREACH_LAUNCHER_BINARY_REL
  ${CMAKE_INSTALL_PREFIX}/${DUSTREACH_INSTALL_LAUNCHER_DIR}
  ${CMAKE_INSTALL_PREFIX}/${DUSTREACH_INSTALL_BINARY_DIR}/dustreach)
# The launcher checks the data folder for every file of the list, one name a line.
string(REPLACE ";" "\n" DUSTREACH_LAUNCHER_REQUIRED_FILES "${DUSTREACH_GAME_DATA}")
configure_file(${PROJECT_SOURCE_DIR}/tools/dustreach-launcher.sh
  ${CMAKE_CURRENT_BINARY_DIR}/launcher/dustreach @ONLY)

install(TARGETS dustreach RUNTIME DESTINATION ${DUSTREACH_INSTALL_BINARY_DIR})
install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/launcher/dustreach
  DESTINATION ${DUSTREACH_INSTALL_LAUNCHER_DIR})

# From the list, not the folder: the package holds exactly what the game reads, whatever else lies
# in assets/, and the font's licence beside it.
set(DUSTREACH_INSTALL_DATA_FILES ${DUSTREACH_GAME_DATA} "${DUSTREACH_FONT_LICENCE}")
list(TRANSFORM DUSTREACH_INSTALL_DATA_FILES PREPEND ${PROJECT_SOURCE_DIR}/assets/)
install(FILES ${DUSTREACH_INSTALL_DATA_FILES}
  DESTINATION ${DUSTREACH_INSTALL_DATA_DIR})

install(FILES ${PROJECT_SOURCE_DIR}/packaging/${DUSTREACH_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${DUSTREACH_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/${size}x${size}/dustreach.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The changelog and the manual page go compressed with gzip -9n, as Debian wants: no name and no
# time stamp inside, so every build gives the same bytes.
set(DUSTREACH_PACKAGING_OUT ${CMAKE_CURRENT_BINARY_DIR}/packaging)
foreach(doc changelog dustreach.6)
  add_custom_command(OUTPUT ${DUSTREACH_PACKAGING_OUT}/${doc}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DUSTREACH_PACKAGING_OUT}
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/${doc} > ${DUSTREACH_PACKAGING_OUT}/${doc}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${doc}
    VERBATIM)
endforeach()
add_custom_target(dustreach_packaging_docs ALL
  DEPENDS ${DUSTREACH_PACKAGING_OUT}/changelog.gz ${DUSTREACH_PACKAGING_OUT}/dustreach.6.gz)
install(FILES ${DUSTREACH_PACKAGING_OUT}/dustreach.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${DUSTREACH_PACKAGING_OUT}/changelog.gz
  DESTINATION ${DUSTREACH_INSTALL_DOC_DIR})

# Debian package. The desktop database and the icon cache are refreshed by the distribution's own
# triggers on share/applications and share/icons, so the package needs no maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dustreach)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Dustreach developers")
set(CPACK_PACKAGE_CONTACT "The Dustreach developers <maintainers@users.noreply.c-seed-25b04416.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "2-D arcade shooter: shoot the falling enemies, dodge the UFO")
# Kept in short lines: the package's long description is shown as written.
set(CPACK_PACKAGE_DESCRIPTION [=[Dustreach is a single-player arcade shooter in a portrait window.
Steer the ship with WASD or the arrow keys, fire with the left mouse button,
hit the four falling enemies before they reach the bottom and keep clear of
the UFO. At 1000 points the enemies fall twice as fast. Saved games and high
scores are kept in the player's own data folder.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The SDL2 runtime libraries come from the executable's own links when dpkg-shlibdeps is there to
# read them; otherwise they are named by hand.
find_program(DUSTREACH_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DUSTREACH_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libgcc-s1, libsdl2-2.0-0, libsdl2-image-2.0-0, libsdl2-ttf-2.0-0")
endif()
include(CPack)
