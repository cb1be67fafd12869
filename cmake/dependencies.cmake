# jsoncpp, minizip and zlib; GoogleTest.
# Host: Debian's -dev packages. Windows: jsoncpp and minizip compiled from Debian's source packages,
# which scripts/setup unpacks into its cache; zlib from libz-mingw-w64-dev.

if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(JSONCPP REQUIRED IMPORTED_TARGET jsoncpp)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  add_library(kestrion_jsoncpp INTERFACE)
  target_link_libraries(kestrion_jsoncpp INTERFACE PkgConfig::JSONCPP)
  add_library(kestrion_minizip INTERFACE)
  target_link_libraries(kestrion_minizip INTERFACE PkgConfig::MINIZIP)
  find_package(GTest REQUIRED)
  return()
endif()

if(DEFINED ENV{KESTRION_CACHE})
  set(_cache $ENV{KESTRION_CACHE})
elseif(DEFINED ENV{XDG_CACHE_HOME})
  set(_cache $ENV{XDG_CACHE_HOME}/kestrion)
else()
  set(_cache $ENV{HOME}/.cache/kestrion)
endif()
if(NOT EXISTS ${_cache}/deps.cmake)
  message(FATAL_ERROR "Dependency sources missing: run scripts/setup first (cache ${_cache}).")
endif()
include(${_cache}/deps.cmake)

add_library(kestrion_jsoncpp STATIC
  ${KESTRION_JSONCPP_SRC}/src/lib_json/json_reader.cpp
  ${KESTRION_JSONCPP_SRC}/src/lib_json/json_value.cpp
  ${KESTRION_JSONCPP_SRC}/src/lib_json/json_writer.cpp)
target_include_directories(kestrion_jsoncpp SYSTEM PUBLIC ${KESTRION_JSONCPP_SRC}/include)
target_compile_options(kestrion_jsoncpp PRIVATE -w)

find_library(KESTRION_ZLIB NAMES libz.a z REQUIRED)
add_library(kestrion_minizip STATIC
  ${KESTRION_MINIZIP_SRC}/unzip.c
  ${KESTRION_MINIZIP_SRC}/ioapi.c)
target_include_directories(kestrion_minizip SYSTEM PUBLIC ${KESTRION_MINIZIP_SRC})
target_compile_options(kestrion_minizip PRIVATE -w)
target_link_libraries(kestrion_minizip PUBLIC ${KESTRION_ZLIB})

# GoogleTest, cross-built from Debian's googletest sources.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
