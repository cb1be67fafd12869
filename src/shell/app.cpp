#include "shell/app.h"

#include <commctrl.h>

#include "shell/dialog.h"

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
  if (!claim_instance()) {
    MessageBoxA(nullptr, kAlreadyRunning, kWarning, MB_OK);
    return FALSE;
  }
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  CKestrionDlg dialog;
  dialog.do_modal();
  return FALSE;
}

}  // namespace kestrion
