#include "config/install_folder.h"

#include <windows.h>
#include <shlobj.h>

#include "config/install_root.h"
#include "log/log.h"
#include "text/codepage.h"
#include "text/path.h"
#include "win/app.h"
#include "win/folders.h"
#include "win/path_limit.h"

namespace kestrion {

namespace {
constexpr char kDriveDRoot[] = "D:\\";
constexpr char kUserProgramsName[] = "\\Programs";  // inside %LOCALAPPDATA%
}  // namespace

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

bool drive_d_fixed() { return drive_d_present() && GetDriveTypeA(kDriveDRoot) == DRIVE_FIXED; }

bool can_create_folder_in(const std::string& folder) {
  if (folder.empty()) return false;
  // A short name of this process: nothing else makes it, and it fits where the install would.
  const std::string probe = folder + (text::ends_with_char(folder, '\\') ? "" : "\\") + "~kw" +
                            std::to_string(GetCurrentProcessId());
  if (!text::path_fits(probe)) return false;
  if (!CreateDirectoryA(probe.c_str(), nullptr)) return false;
  RemoveDirectoryA(probe.c_str());
  return true;
}

std::string user_programs_folder() {
  char local[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, local, CSIDL_LOCAL_APPDATA, TRUE) || !local[0]) return {};
  const std::string folder = local + std::string(kUserProgramsName);
  win::make_folder(folder);
  return folder;
}

std::string default_install_base() {
  if (drive_d_fixed() && can_create_folder_in(kDriveDRoot)) return kDriveDRoot;
  std::string program_files = program_files_folder();
  if (can_create_folder_in(program_files)) return program_files;
  std::string user_programs = user_programs_folder();
  // Without a profile folder there is nothing better to propose than Program Files; the run
  // then says it cannot write there.
  return user_programs.empty() ? program_files : user_programs;
}

std::optional<std::string> resolve_install_root(RunState& state) {
  state.pump_one();
  const InstallRoot root = install_root_for(state.text(ctl::install_folder));
  if (!path_allowed(state, root.path)) return std::nullopt;
  if (root.appended) win::make_folder(root.path);
  return root.path;
}

bool install_root_writable(RunState& state, const std::string& root) {
  if (can_create_folder_in(root)) return true;
  const std::string text = win::load_string(IDS_FOLDER_NOT_WRITABLE) + root;
  state.set_text(ctl::status, text);
  write_log("安装目录无法写入 >>>> ：" + root);
  return false;
}

}  // namespace kestrion
