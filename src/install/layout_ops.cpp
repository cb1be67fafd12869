#include "install/layout_ops.h"

#include <windows.h>
#include <shellapi.h>

#include "install/layout.h"
#include "win/path_limit.h"
#include "win/app.h"
#include "win/errors.h"
#include "win/folders.h"

namespace kestrion {

bool make_layout_folder(RunState& state, const std::string& path) {
  if (!path_allowed(state, path)) return false;
  win::make_folder(path);
  return true;
}

bool launch_client(RunState& state, const std::string& version_folder) {
  const std::string exe = client_exe_path(version_folder);
  if (!path_allowed(state, exe)) return false;
  const std::string quoted = "\"" + exe + "\"";
  // The shell's result is a number above 32 on success.
  constexpr INT_PTR kStarted = 32;
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", quoted.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result > kStarted) return true;
  const DWORD error = GetLastError();
  state.set_text(ctl::status, win::load_string(IDS_CLIENT_NOT_STARTED) + exe + " ：" +
                                  win::system_text(error ? error : ERROR_FILE_NOT_FOUND));
  return false;
}

}  // namespace kestrion
