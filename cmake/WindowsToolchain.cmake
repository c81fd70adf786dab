# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix, the
# POSIX thread model). Libraries are looked for only in mingw's own folder and in the folders
# named in CMAKE_FIND_ROOT_PATH (tools/windows/libraries.sh's prefix); programs on this machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DUSTREACH_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DUSTREACH_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DUSTREACH_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${DUSTREACH_MINGW_TRIPLET}-windres)
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${DUSTREACH_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
