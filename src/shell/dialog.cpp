#include "shell/dialog.h"

#include <commctrl.h>

#include <utility>

#include "log/log.h"
#include "win/app.h"
#include "win/handles.h"

namespace kestrion {

namespace {

constexpr UINT kTrayCallback = WM_USER + 1;
constexpr UINT kShowWhenIdle = WM_APP + 1;  // shows the dialog once its queue is empty
constexpr UINT kTrayIconId = 1;
// The ANSI tray record in its full (Vista and later) layout. Naming a smaller size makes the shell
// fall back to an older layout without a word, so the size is the record's own.
constexpr DWORD kTrayRecordSize = sizeof(NOTIFYICONDATAA);
#if defined(__i386__)
static_assert(kTrayRecordSize == 508, "the 32-bit tray record has its full size");
#elif defined(__x86_64__)
static_assert(kTrayRecordSize == 528, "the 64-bit tray record has its full size");
#endif
constexpr UINT kFinishedExitCode = 1;
constexpr UINT kEndedByCloseExitCode = 4;
// The window whose process the close guard ends when the idle dialog closes.
constexpr char kCompanionTitle[] = "Lumivar智能Quorra安装程序";
// The window class of a dialog box: the companion installer shows its title in one.
constexpr char kDialogClass[] = "#32770";

// Process-wide: the first background erase hides the dialog until its modal loop is first idle.
bool g_first_erase = true;

}  // namespace

CKestrionDlg::CKestrionDlg(std::optional<Unattended> unattended)
    : win::ModalDialog(IDD_KESTRION),
      icon_(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_KESTRION))),
      unattended_(std::move(unattended)) {}

CKestrionDlg::~CKestrionDlg() { remove_tray_icon(); }

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
  if (unattended_) {
    // Nobody is there to answer: a question gets Yes, which keeps the folder the install was
    // given (the previous-install question is the only one a run asks).
    write_log(unattended_box_line(text));
    return (style & box::yes_no) == box::yes_no ? box::answer_yes : box::answer_ok;
  }
  return win::message_box(hwnd(), text, caption, style);
}

void CKestrionDlg::pump_one() { win::pump_one_message(); }

void CKestrionDlg::end_process_by_title(const std::string& title) {
  // Only a dialog of another process: a folder window (explorer.exe) or any other window that
  // happens to carry the title is left alone, and so is this program.
  const DWORD self = GetCurrentProcessId();
  for (HWND window = nullptr;
       (window = FindWindowExA(nullptr, window, kDialogClass, title.c_str())) != nullptr;) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == 0 || pid == self) continue;
    if (win::KernelHandle process{OpenProcess(PROCESS_TERMINATE, FALSE, pid)})
      TerminateProcess(process.get(), kEndedByCloseExitCode);
    return;
  }
}

void CKestrionDlg::add_tray_icon() {
  ShowWindow(hwnd(), SW_HIDE);
  tray_ = {};
  tray_.cbSize = kTrayRecordSize;
  tray_.hWnd = hwnd();
  tray_.uID = kTrayIconId;
  tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  tray_.uCallbackMessage = kTrayCallback;
  tray_.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_KESTRION));
  const std::string tip = win::load_string(IDS_TITLE_INSTALL);
  lstrcpynA(tray_.szTip, tip.c_str(), sizeof tray_.szTip);
  tray_added_ = Shell_NotifyIconA(NIM_ADD, &tray_) != FALSE;
}

bool CKestrionDlg::on_command(int id, int /*notify*/) {
  switch (id) {
    case IDC_RUN:
      run();
      return true;
    case IDC_BROWSE:
      browse();
      return true;
    case IDOK:  // Enter never ends the dialog
      if (GetFocus() == item(ctl::service_address)) SetFocus(item(ctl::service_address));
      return true;
    case IDCANCEL:  // Esc ends it without the close guard
      end_dialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

bool CKestrionDlg::on_paint() {
  if (!IsIconic(hwnd())) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  SendMessageA(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT r;
  GetClientRect(hwnd(), &r);
  const int x = (r.right - r.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (r.bottom - r.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, icon_);
  EndPaint(hwnd(), &ps);
  return true;
}

bool CKestrionDlg::on_erase_background(HDC /*dc*/) {
  if (!g_first_erase) return false;
  // The system shows and paints the dialog once while creating it; it becomes visible for the
  // user only when its queue is first idle, whether the modal loop or a run drains the queue.
  g_first_erase = false;
  ShowWindow(hwnd(), SW_HIDE);
  PostMessageA(hwnd(), kShowWhenIdle, 0, 0);
  return true;
}

void CKestrionDlg::show_when_idle() {
  // Posted and input messages that came before still go first; timers never count (they only
  // arrive on an otherwise empty queue, and would starve the run's own timer).
  if (HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_INPUT | QS_SENDMESSAGE)) != 0) {
    PostMessageA(hwnd(), kShowWhenIdle, 0, 0);
    return;
  }
  if (tray_added_ || unattended_) return;  // it lives in the tray now, or is never shown
  ShowWindow(hwnd(), SW_SHOWNORMAL);
  if (!box_when_shown_.empty()) message_box(std::exchange(box_when_shown_, {}), {}, box::ok);
}

bool CKestrionDlg::on_timer(UINT_PTR id) {
  // One pending message first, without waiting for one: a hidden dialog may get no other
  // message, and a wait would then never end and the upgrade never start.
  win::pump_one_message();
  if (id == kRunTimer) {
    KillTimer(hwnd(), kRunTimer);
    // A tick dispatched by the pump above re-enters this handler; only one of them runs.
    if (timer_run_pending_) {
      timer_run_pending_ = false;
      run();
    }
  }
  return false;
}

bool CKestrionDlg::on_close() {
  if (running_) {
    message_box(win::load_string(IDS_CANNOT_EXIT), {}, box::ok);
    return true;
  }
  end_process_by_title(kCompanionTitle);
  end_dialog(IDCANCEL);
  return false;
}

bool CKestrionDlg::on_message(UINT msg, WPARAM /*wp*/, LPARAM lp, INT_PTR& result) {
  if (msg == WM_WINDOWPOSCHANGING && unattended_) {
    // Whoever asks to show the unattended dialog (its creation, the modal loop once idle), it
    // stays hidden; the default handling goes on with what is left of the change.
    reinterpret_cast<WINDOWPOS*>(lp)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
    return false;
  }
  if (msg == kShowWhenIdle) {
    show_when_idle();
    return true;
  }
  if (msg != kTrayCallback) return false;
  if (lp == WM_LBUTTONDOWN || lp == WM_RBUTTONDOWN) {
    // WS_EX_TOPMOST set as a style changes nothing on Windows: only SetWindowPos moves the
    // window into the topmost band. A minimised dialog is restored, not only shown.
    ShowWindow(hwnd(), IsIconic(hwnd()) ? SW_RESTORE : SW_SHOW);
    SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(hwnd());
  }
  result = 0;
  return true;
}

void CKestrionDlg::remove_tray_icon() {
  if (tray_added_) Shell_NotifyIconA(NIM_DELETE, &tray_);
  tray_added_ = false;
}

void CKestrionDlg::finish_process() {
  running_ = false;
  remove_tray_icon();
  exit(kFinishedExitCode);
}

}  // namespace kestrion
