// How the dialog fills itself when it opens, and what starts the work.
#include "shell/dialog.h"

#include <commctrl.h>

#include "win/app.h"

namespace kestrion {

bool CKestrionDlg::on_init_dialog() {
  SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  SetWindowTextA(hwnd(), win::load_string(IDS_TITLE_INSTALL).c_str());
  static constexpr struct {
    int control;
    UINT string;
  } kTexts[] = {{IDC_RUN, IDS_RUN},          {IDC_FOLDER_LABEL, IDS_FOLDER_LABEL},
                {IDC_BROWSE, IDS_BROWSE},    {IDC_PROGRESS_LABEL, IDS_PROGRESS_LABEL},
                {IDC_STATUS, IDS_STATUS_FIRST}, {IDC_SERVICE_LABEL, IDS_SERVICE_LABEL}};
  for (const auto& t : kTexts) set_text(t.control, win::load_string(t.string));
  set_progress_range(0, 100);
  set_progress_pos(0);
  return true;
}

void CKestrionDlg::run() {}
void CKestrionDlg::browse() {}

}  // namespace kestrion
