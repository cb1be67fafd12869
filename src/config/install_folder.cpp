#include "config/install_folder.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "config/install_root.h"
#include "state/path_limit.h"
#include "win/app.h"
#include "win/folders.h"
#include "win/handles.h"

namespace kestrion {

namespace {

constexpr UINT kBrowseFlags = BIF_NEWDIALOGSTYLE;  // the resizable browser, nothing else
constexpr UINT kAskStyle = MB_YESNO | MB_ICONQUESTION;
constexpr size_t kTitleBytes = 100;  // the browser's title buffer, terminator included

void focus_install_folder(HWND owner) {
  if (HWND edit = owner ? GetDlgItem(owner, ctl::install_folder) : nullptr) SetFocus(edit);
}

bool is_folder(const std::string& path) {
  return !path.empty() && PathIsDirectoryA(path.c_str());
}

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

std::string default_install_base() {
  return drive_d_present() ? "D:\\" : program_files_folder();
}

std::string resolve_install_root(RunState& state) {
  state.pump_one();
  const InstallRoot root = install_root_for(state.text(ctl::install_folder));
  if (!path_allowed(state, root.path)) return {};
  if (root.appended) win::make_folder(root.path);
  return root.path;
}

void browse_install_folder(RunState& state, HWND owner) {
  std::string title = win::load_string(IDS_SELECT_PATH);
  if (title.size() >= kTitleBytes) title.resize(kTitleBytes - 1);
  char display[MAX_PATH] = {};

  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pszDisplayName = display;
  info.lpszTitle = title.c_str();
  info.ulFlags = kBrowseFlags;
  win::ComScope com;  // the new-style browser needs COM on the thread
  LPITEMIDLIST item = SHBrowseForFolderA(&info);
  if (!item) return;  // cancelled
  char path[2 * MAX_PATH] = {};
  if (!SHGetPathFromIDListA(item, path)) path[0] = '\0';  // no file-system path: empty text
  CoTaskMemFree(item);
  state.set_text(ctl::install_folder, path);
  focus_install_folder(owner);
}

void on_browse(RunState& state, HWND owner) {
  if (is_folder(state.text(ctl::previous_folder))) {
    if (state.message_box(win::load_string(IDS_RESELECT_PROMPT), {}, kAskStyle) == IDYES)
      browse_install_folder(state, owner);
  } else {
    browse_install_folder(state, owner);
  }
  focus_install_folder(owner);
}

bool previous_install_prompt(RunState& state) {
  const std::string folder = state.text(ctl::install_folder);
  const std::string previous = state.text(ctl::previous_folder);
  const std::string parent = parent_folder(previous);
  if (!is_folder(previous) || parent == folder) return true;

  state.set_text(ctl::status, win::load_string(IDS_PREVIOUS_FOLDER) + parent);
  if (state.message_box(win::load_string(IDS_NEW_FOLDER_PROMPT) + parent, {}, kAskStyle) ==
      IDNO) {
    state.set_text(ctl::install_folder, parent);
    state.set_running(false);
    return false;
  }
  return true;
}

}  // namespace kestrion
