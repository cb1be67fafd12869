#include "shell/app.h"

#include <commctrl.h>

#include "log/log.h"
#include "shell/dialog.h"
#include "shell/launch.h"

// The instance counter: one 32-bit value in a shared, writable section of the program image, so
// every process started from the same file sees it; a copy under another path has its own.
__attribute__((section("flag_dat"), shared)) volatile LONG g_instance_count = 0;

namespace kestrion {

namespace {
constexpr char kAlreadyRunning[] = "已经启动一个应用程序";
constexpr char kWarning[] = "Warning";
}  // namespace

bool claim_instance() {
  // 0 -> 1 in one step; a start that finds it above 0 leaves it as it is.
  return InterlockedCompareExchange(&g_instance_count, 1, 0) == 0;
}

BOOL CKestrionApp::InitInstance() {
  const std::optional<Unattended> unattended = unattended_launch();
  if (unattended && !unattended->refused.empty()) {
    write_log(unattended_refusal(unattended->refused));
    write_log(unattended_usage());
    exit_code_ = unattended_exit::refused_command_line;
    return FALSE;
  }
  // Nobody is there to answer the system's own boxes either (a drive without its disk).
  if (unattended) SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  if (!claim_instance()) {
    if (unattended) {
      write_log(unattended_box_line(kAlreadyRunning));
      exit_code_ = unattended_exit::already_running;
      return FALSE;
    }
    MessageBoxA(nullptr, kAlreadyRunning, kWarning, MB_OK);
    return FALSE;
  }
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  CKestrionDlg dialog(unattended);
  dialog.do_modal();
  if (unattended) exit_code_ = dialog.unattended_exit_code();
  return FALSE;
}

}  // namespace kestrion
