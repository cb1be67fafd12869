// How the dialog fills itself when it opens, and what starts the work: the user's Run in
// install mode, timer 2 in an upgrade with a download, or the finish of an upgrade without one,
// which ends the process here.
#include "shell/dialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include "config/client_register.h"
#include "config/install_folder.h"
#include "config/install_root.h"
#include "log/log.h"
#include "run/finish.h"
#include "run/run_sequence.h"
#include "shell/folder_browser.h"
#include "shell/launch.h"
#include "shell/file_name_code.h"
#include "win/app.h"
#include "win/folders.h"

namespace kestrion {

namespace {
constexpr UINT kRunTimerMs = 100;
}  // namespace

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

  const LaunchArguments args = parse_launch_arguments();
  recover_registered_installations(*this);
  const RunMode mode = run_mode(args);
  if (mode == RunMode::install) {
    init_install_mode(args);
    if (unattended_) start_unattended();
  } else {
    init_upgrade_mode(args);
    if (mode == RunMode::upgrade_finish) {
      finish_without_download();  // returns only when there was nothing to finish
      return true;
    }
    timer_run_pending_ = true;
    SetTimer(hwnd(), kRunTimer, kRunTimerMs, nullptr);
  }
  return true;
}

void CKestrionDlg::init_upgrade_mode(const LaunchArguments& args) {
  SetWindowTextA(hwnd(), win::load_string(IDS_TITLE_UPGRADE).c_str());
  set_text(ctl::service_address, args.arg_upgradeurl);
  enable(ctl::service_address, false);
  if (auto prefix = service_path_from_url(args.arg_upgradeurl)) set_text(ctl::path_prefix, *prefix);
  set_text(ctl::previous_folder, args.arg_upgradepath);
  set_text(ctl::install_folder, parent_folder(args.arg_upgradepath));
  set_text(ctl::old_version, args.arg_upgradeoldversion);
  set_text(ctl::download_flag, args.arg_isdownfile);
  enable(ctl::install_folder, false);
  enable(ctl::browse, false);
  set_upgrade_inputs(args);
  set_text(ctl::service_center, args.arg_requestservice);
}

void CKestrionDlg::init_install_mode(const LaunchArguments& args) {
  const FileNameCode code = decode_file_name_code(win::module_path());
  set_text(ctl::service_center, code.service_center);
  if (code.path_prefix) set_text(ctl::path_prefix, *code.path_prefix);
  set_text(ctl::service_address, code.service_address);
  set_text(ctl::server_text, code.server_text);
  set_text(ctl::previous_folder, "");

  std::string proposed = default_install_base();
  if (auto earlier = lookup_client_entry(*this, code.service_address)) {
    // The entry names a version folder: propose the host folder above it.
    set_text(ctl::previous_folder, *earlier);
    proposed = parent_folder(*earlier);
  }
  set_text(ctl::install_folder, proposed);
  set_upgrade_inputs(args);  // empty unless the command line gave them
}

void CKestrionDlg::set_upgrade_inputs(const LaunchArguments& args) {
  set_text(ctl::upgrade_file_url, args.arg_upgradefileurl);
  set_text(ctl::upgrade_version, args.arg_upgradeversion);
  set_text(ctl::old_report_version, args.arg_upoldreportversion);
}

void CKestrionDlg::finish_without_download() {
  // No minimise is posted here: the client-name query drains messages, and a minimise of the
  // hidden dialog would show it in the taskbar, while this path shows nothing of the dialog.
  add_tray_icon();
  if (kestrion::finish_without_download(*this)) finish_process();
  // Nothing to finish: the dialog shows itself with the reason and waits for the person.
  remove_tray_icon();
  box_when_shown_ = text(ctl::status);
}

void CKestrionDlg::start_unattended() {
  if (unattended_->folder) {
    // The given folder wins: the previous-install question, should the run ask it, gets Yes.
    // Like the installers store IT knows, it is made with every missing level; a folder that
    // cannot be made fails the run where it is written into.
    const std::string& folder = *unattended_->folder;
    if (!win::is_folder(folder)) SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    set_text(ctl::install_folder, folder);
  } else {
    // Into the previous installation's folder, as No to that question and another Run would.
    const std::string previous = text(ctl::previous_folder);
    if (win::is_folder(previous)) set_text(ctl::install_folder, parent_folder(previous));
  }
  write_log(unattended_start_line(text(ctl::install_folder)));
  timer_run_pending_ = true;
  SetTimer(hwnd(), kRunTimer, kRunTimerMs, nullptr);
}

void CKestrionDlg::run() {
  if (unattended_) {
    // A click that reaches the hidden dialog during its run starts nothing and ends nothing.
    const RunEnd end = run_sequence_end(*this);
    if (end.outcome != RunOutcome::refused) end_unattended(end);
    return;
  }
  if (run_sequence(*this) == RunOutcome::finished) finish_process();
}

void CKestrionDlg::end_unattended(const RunEnd& end) {
  unattended_exit_ = kestrion::unattended_exit_code(end);
  write_log(unattended_end_line(unattended_exit_, text(ctl::status)));
  end_dialog(unattended_exit_);
}

void CKestrionDlg::browse() { on_browse(*this, hwnd()); }

}  // namespace kestrion
