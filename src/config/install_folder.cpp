#include "config/install_folder.h"

#include <windows.h>

#include "config/install_root.h"
#include "win/path_limit.h"
#include "win/folders.h"

namespace kestrion {

std::string program_files_folder() {
  const char* kVariable = "%ProgramFiles%";
  std::string out(MAX_PATH, '\0');
  DWORD n = ExpandEnvironmentStringsA(kVariable, out.data(), static_cast<DWORD>(out.size()));
  if (n > out.size()) {  // longer than a path may be: take it whole, the root check refuses it
    out.assign(n, '\0');
    n = ExpandEnvironmentStringsA(kVariable, out.data(), n);
  }
  if (n == 0 || n > out.size()) return kVariable;
  out.resize(n - 1);  // the count includes the terminator
  return out;
}

bool drive_d_present() {
  constexpr DWORD kDriveD = 1u << 3;  // bit 0 is drive A
  return (GetLogicalDrives() & kDriveD) != 0;
}

std::string default_install_base() {
  return drive_d_present() ? "D:\\" : program_files_folder();
}

std::optional<std::string> resolve_install_root(RunState& state) {
  state.pump_one();
  const InstallRoot root = install_root_for(state.text(ctl::install_folder));
  if (!path_allowed(state, root.path)) return std::nullopt;
  if (root.appended) win::make_folder(root.path);
  return root.path;
}

}  // namespace kestrion
