#include "desktop/shortcut.h"

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "win/path_limit.h"
#include "text/codepage.h"
#include "text/path.h"
#include "win/app.h"
#include "win/handles.h"

namespace kestrion {

namespace {

constexpr const char* kIconFileName = "\\bitbug_favicon.ico";
constexpr const char* kNoLinkObject = "创建IShellLink实例失败";
constexpr const char* kNoPersistFile = "获取IPersistFile接口失败";

// A name is one file name on the desktop: a separator would place the link elsewhere, a colon
// would name a drive or a file stream.
bool plain_name(const std::string& name) {
  for (char c : {'\\', '/', ':'})
    if (text::find_char(name, c) >= 0) return false;
  return true;
}

}  // namespace

bool create_desktop_shortcut(RunState& state, std::string shortcut_name, std::string program_folder,
                            std::string executable) {
  state.pump_one();
  char desktop[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE) || !desktop[0])
    return false;  // no desktop folder: no place for the link
  const std::string link = desktop + ("\\" + shortcut_name) + ".lnk";
  const std::string icon = desktop + std::string(kIconFileName);
  const std::string target = program_folder + "\\" + executable;
  const std::string working = program_folder + "\\";
  if (!plain_name(shortcut_name)) {
    state.set_text(ctl::status, win::load_string(IDS_BAD_SHORTCUT_NAME) + shortcut_name);
    return false;
  }
  for (const std::string* path : {&link, &target, &working})
    if (!path_allowed(state, *path)) return false;

  win::ComScope com;
  win::ComPtr<IShellLinkA> shell_link;
  if (CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                       shell_link.put_void()) != S_OK) {
    state.message_box(kNoLinkObject);
    return false;
  }
  win::ComPtr<IPersistFile> persist;
  if (shell_link->QueryInterface(IID_IPersistFile, persist.put_void()) != S_OK) {
    state.message_box(kNoPersistFile);
    return false;
  }
  // The icon is optional: one that is missing, or whose path passes the limit, leaves the link
  // without an icon location.
  if (text::path_fits(icon) && PathFileExistsA(icon.c_str()))
    shell_link->SetIconLocation(icon.c_str(), 0);
  shell_link->SetPath(target.c_str());
  shell_link->SetWorkingDirectory(working.c_str());

  wchar_t wide_link[MAX_PATH] = {};
  if (!MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide_link, MAX_PATH)) return false;
  return SUCCEEDED(persist->Save(wide_link, TRUE));
}

}  // namespace kestrion
