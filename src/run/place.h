// Where a run installs and what its shortcut is called: the pieces that the run and the finish
// of an upgrade without a download share.
#pragma once

#include <string>

namespace kestrion {

struct InstallPlace {
  std::string root;            // the install root, without a trailing backslash
  std::string host;            // the host folder name
  std::string host_folder;     // root \ host
  std::string version_folder;  // root \ host \ version folder name
};

// The place for the version text `version` under `root`.
InstallPlace install_place(const std::string& root, const std::string& host,
                           const std::string& version);

// The shortcut name: the client name the service gave, or the host folder name without one.
std::string shortcut_name_for(const std::string& client_name, const std::string& host);

}  // namespace kestrion
