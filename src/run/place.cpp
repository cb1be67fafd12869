#include "run/place.h"

#include "install/layout.h"

namespace kestrion {

InstallPlace install_place(const std::string& root, const std::string& host,
                           const std::string& version) {
  return {root, host, root + "\\" + host,
          version_folder_path(root, host, version_folder_name(version))};
}

std::string shortcut_name_for(const std::string& client_name, const std::string& host) {
  return client_name.empty() ? host : client_name;
}

}  // namespace kestrion
