#include "install/layout_ops.h"

#include <windows.h>
#include <shellapi.h>

#include "install/layout.h"
#include "win/path_limit.h"
#include "win/folders.h"

namespace kestrion {

bool make_layout_folder(RunState& state, const std::string& path) {
  if (!path_allowed(state, path)) return false;
  win::make_folder(path);
  return true;
}

void launch_client(RunState& state, const std::string& version_folder) {
  const std::string exe = client_exe_path(version_folder);
  if (!path_allowed(state, exe)) return;
  const std::string quoted = "\"" + exe + "\"";
  ShellExecuteA(nullptr, "open", quoted.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace kestrion
