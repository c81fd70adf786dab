# Stages the Windows download's one folder and packs it (cmake -P, from app/windows/CMakeLists.txt):
#   FOLDER/dustreach.exe, the game's data (DATA), README.txt,
#   FOLDER/licences/: the game's LICENSE, every library's Debian copyright file and the list of
#   their revisions (from LIBRARIES/licences), the compiler runtime's (RUNTIME_LICENCES).
# Every file gets one fixed time, so the same inputs make the same zip.
set(folder ${STAGE}/${FOLDER})
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${folder}/licences)
file(COPY ${EXE} ${README} ${DATA} DESTINATION ${folder})
file(COPY_FILE ${GAME_LICENCE} ${folder}/licences/Dustreach.LICENSE.txt)
file(GLOB library_licences ${LIBRARIES}/licences/*)
if(NOT library_licences)
  message(FATAL_ERROR "No licences in '${LIBRARIES}/licences': DUSTREACH_WINDOWS_LIBRARIES names "
    "the folder tools/windows/libraries.sh printed")
endif()
file(COPY ${library_licences} DESTINATION ${folder}/licences)
list(GET RUNTIME_LICENCES 0 mingw_licence)
list(GET RUNTIME_LICENCES 1 gcc_licence)
file(COPY_FILE ${mingw_licence} ${folder}/licences/mingw-w64.copyright)
file(COPY_FILE ${gcc_licence} ${folder}/licences/gcc-mingw-w64.copyright)
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip "--mtime=2026-01-01 00:00:00 UTC"
    ${FOLDER}
  WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE packed)
if(NOT packed EQUAL 0)
  message(FATAL_ERROR "Could not write ${ZIP}")
endif()
