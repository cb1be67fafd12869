# 32-bit Windows: the product, kestrion.exe, run under wine32.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KESTRION_MINGW i686-w64-mingw32)
set(KESTRION_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
