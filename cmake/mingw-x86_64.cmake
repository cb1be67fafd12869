# 64-bit Windows: the same program and tests, run under wine64 where 32-bit code cannot run.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTRION_MINGW x86_64-w64-mingw32)
set(KESTRION_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
