#include "win/folders.h"

#include <windows.h>
#include <shlwapi.h>

namespace kestrion::win {

bool make_folder(const std::string& path) {
  if (PathIsDirectoryA(path.c_str())) return true;
  CreateDirectoryA(path.c_str(), nullptr);
  return PathIsDirectoryA(path.c_str()) != FALSE;
}

bool path_exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool is_folder(const std::string& path) {
  return !path.empty() && PathIsDirectoryA(path.c_str());
}

bool is_empty_folder(const std::string& path) {
  return PathIsDirectoryEmptyA(path.c_str()) != FALSE;
}

}  // namespace kestrion::win
