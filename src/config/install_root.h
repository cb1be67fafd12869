// The install root rule: the folder a run installs under, derived from the install folder box.
#pragma once

#include <string>

namespace kestrion {

// The name of the folder every install root ends in.
constexpr const char* kRootFolderName = "Tillwright";

struct InstallRoot {
  std::string path;  // no trailing backslash
  bool appended;     // "\Tillwright" was added: the operation creates it when missing
};

// An install folder that lies directly inside a "Tillwright" folder (the parent of an earlier
// installation's host folder) goes back to that folder; every other one gets "\Tillwright"
// appended, one trailing backslash dropped first. Backslashes are found character-wise in the
// ANSI code page; the name comparison is exact.
InstallRoot install_root_for(const std::string& install_folder);

// `path` up to, not including, its last backslash; "" when it has none. The previous install
// parent of a previous install folder.
std::string parent_folder(const std::string& path);

}  // namespace kestrion
