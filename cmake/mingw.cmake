# Shared part of the two cross toolchains: Windows with mingw-w64, posix thread model (std::thread,
# std::mutex and GoogleTest need it). KESTRION_MINGW (the compilers' triple) and KESTRION_ARCH
# (win32 or win64: which Wine runs the programs) are set by the toolchain file that includes this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KESTRION_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRION_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRION_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KESTRION_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under the matching Wine, in the build's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR env KESTRION_ARCH=${KESTRION_ARCH}
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
