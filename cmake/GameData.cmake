# The game's data: DUSTREACH_GAME_DATA, the names in assets/game-data.txt (the nine pictures and
# the font the game opens from its working folder), and DUSTREACH_FONT_LICENCE, the font's licence
# that ships beside them. Editing the list makes CMake configure again.
set(DUSTREACH_GAME_DATA_LIST ${PROJECT_SOURCE_DIR}/assets/game-data.txt)
file(STRINGS ${DUSTREACH_GAME_DATA_LIST} DUSTREACH_GAME_DATA REGEX "^[^#]")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${DUSTREACH_GAME_DATA_LIST})
set(DUSTREACH_FONT_LICENCE "Cornerstone Regular.LICENSE.txt")
