#include "shell/dialog.h"

#include <commctrl.h>

#include "win/app.h"

namespace kestrion {

CKestrionDlg::CKestrionDlg()
    : win::ModalDialog(IDD_KESTRION),
      icon_(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_KESTRION))) {}

CKestrionDlg::~CKestrionDlg() = default;

LRESULT CKestrionDlg::progress(UINT msg, WPARAM wp, LPARAM lp) const {
  return SendMessageA(item(ctl::progress), msg, wp, lp);
}

void CKestrionDlg::set_progress_range(int low, int high) {
  progress(PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}
void CKestrionDlg::set_progress_pos(int pos) { progress(PBM_SETPOS, static_cast<WPARAM>(pos)); }
void CKestrionDlg::set_progress_step(int step) {
  progress(PBM_SETSTEP, static_cast<WPARAM>(step));
}
void CKestrionDlg::step_progress() { progress(PBM_STEPIT); }
int CKestrionDlg::progress_pos() const { return static_cast<int>(progress(PBM_GETPOS)); }

int CKestrionDlg::message_box(const std::string& text, const std::string& caption,
                              unsigned style) {
  return win::message_box(hwnd(), text, caption, style);
}

void CKestrionDlg::pump_one() { win::pump_one_message(); }

bool CKestrionDlg::on_init_dialog() {
  SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  SetWindowTextA(hwnd(), win::load_string(IDS_TITLE_INSTALL).c_str());
  static constexpr struct {
    int control;
    UINT string;
  } kLabels[] = {{IDC_SERVICE_LABEL, IDS_SERVICE_LABEL}, {IDC_PROGRESS_LABEL, IDS_PROGRESS_LABEL},
                 {IDC_FOLDER_LABEL, IDS_FOLDER_LABEL},   {IDC_RUN, IDS_RUN},
                 {IDC_BROWSE, IDS_BROWSE},               {IDC_STATUS, IDS_STATUS_FIRST}};
  for (const auto& label : kLabels) set_text(label.control, win::load_string(label.string));
  set_progress_range(0, 100);
  return true;
}

bool CKestrionDlg::on_command(int id, int /*notify*/) {
  switch (id) {
    case IDOK:  // Enter never closes the dialog
      return true;
    case IDCANCEL:  // Esc
      end_dialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

}  // namespace kestrion
