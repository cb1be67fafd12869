// Folders: whether one exists, and their creation one level at a time, as every folder of the
// installation is made.
#pragma once

#include <string>

namespace kestrion::win {

// Creates `path` (one level, default security) when the system does not report it as an
// existing folder. A missing parent is not made. True when it is a folder afterwards.
bool make_folder(const std::string& path);

// True when the system reports `path` as existing: a file or a folder.
bool path_exists(const std::string& path);

// True when `path` is not empty and the system reports it as an existing folder.
bool is_folder(const std::string& path);

// True when the folder `path` holds no file and no folder.
bool is_empty_folder(const std::string& path);

}  // namespace kestrion::win
