#include "shell/folder_browser.h"

#include <shlobj.h>

#include "win/app.h"
#include "win/folders.h"
#include "win/handles.h"

namespace kestrion {

namespace {

constexpr UINT kBrowseFlags = BIF_NEWDIALOGSTYLE;  // the resizable browser, nothing else
constexpr size_t kTitleBytes = 100;  // the browser's title buffer, terminator included

void focus_install_folder(HWND owner) {
  if (HWND edit = owner ? GetDlgItem(owner, ctl::install_folder) : nullptr) SetFocus(edit);
}

}  // namespace

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
  win::CoTaskMemPtr<ITEMIDLIST> item(SHBrowseForFolderA(&info));
  if (!item) return;  // cancelled
  char path[2 * MAX_PATH] = {};
  if (!SHGetPathFromIDListA(item.get(), path)) path[0] = '\0';  // no file-system path: empty
  state.set_text(ctl::install_folder, path);
  focus_install_folder(owner);
}

void on_browse(RunState& state, HWND owner) {
  const std::string previous = state.text(ctl::previous_folder);
  if (win::is_folder(previous)) {
    if (state.message_box(win::load_string(IDS_RESELECT_PROMPT), {},
                          box::yes_no | box::icon_question) == box::answer_yes)
      browse_install_folder(state, owner);
  } else {
    browse_install_folder(state, owner);
  }
  focus_install_folder(owner);
}

}  // namespace kestrion
