// Takes the pictures of docs/pictures from the real program. scripts/pictures runs it inside a
// Wine virtual desktop, which draws the windows' frames, so each picture is the whole window:
//
//   picture_driver <setup.exe> <picture folder> <service port> full|dialog
//
// full: the dialog as it opens (dialog-<lang>), a failed download in the status line (failure),
// the download under way with the bar moving (downloading) and the success box over the dialog
// (installed); dialog: only the first. <lang> is zh or en, after the system's code page.
// Pictures are 24-bit BMP files; the script turns them into PNG files.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstdio>
#include <string>

#include "installer.h"
#include "service.h"

using namespace kestrion::test;

namespace {

std::string g_folder;

bool wait_for(bool (*condition)(HWND), HWND window, DWORD ms) {
  for (DWORD waited = 0; waited < ms; waited += 20) {
    if (condition(window)) return true;
    Sleep(20);
  }
  return condition(window);
}

void take(HWND window, const char* name) {
  Sleep(400);  // painted
  const bool saved = save_window_bitmap(window, g_folder + "\\" + name + ".bmp");
  std::printf("  %s %s\n", saved ? "picture" : "NO PICTURE", name);
  std::fflush(stdout);
}

// The dialog and a box over it, as one picture.
void take_both(HWND dialog, HWND box, const char* name) {
  Sleep(400);
  RECT a, b, both;
  GetWindowRect(dialog, &a);
  GetWindowRect(box, &b);
  UnionRect(&both, &a, &b);
  const bool saved = save_screen_bitmap(both, g_folder + "\\" + name + ".bmp");
  std::printf("  %s %s\n", saved ? "picture" : "NO PICTURE", name);
  std::fflush(stdout);
}

LRESULT progress(HWND dialog, UINT msg, WPARAM wp = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, IDC_PROGRESS), msg, wp, 0, SMTO_ABORTIFHUNG, 1000,
                      &result);
  return static_cast<LRESULT>(result);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: picture_driver <setup.exe> <picture folder> <port> full|dialog\n");
    return 2;
  }
  const std::string exe = argv[1];
  g_folder = argv[2];
  Service service(std::atoi(argv[3]));
  const bool full = std::string(argv[4]) == "full";
  const std::string lang = GetACP() == 936 ? "zh" : "en";

  Installer setup(exe.substr(0, exe.find_last_of('\\')), exe.substr(exe.find_last_of('\\') + 1),
                  Installer::Existing{});
  setup.start();
  const HWND d = setup.dialog();
  if (!d || !wait_for([](HWND w) { return IsWindowVisible(w) != FALSE; }, d, 10000)) {
    std::fprintf(stderr, "picture_driver: no dialog\n");
    return 1;
  }
  SetWindowPos(d, nullptr, 12, 12, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  take(d, ("dialog-" + lang).c_str());
  if (!full) {
    setup.process().kill();
    return 0;
  }

  // A download the service refuses: its box, then the reason in the status line.
  service.configure(R"({"routes": {"/files/big.zip": {"status": 404}}})");
  setup.press_run();
  MessageBoxInfo box = setup.wait_box();
  if (box.hwnd) answer(box, IDOK);
  if (!wait_for([](HWND w) { return control_enabled(w, IDC_RUN); }, d, kRunMs)) return 1;
  take(d, "failure");

  // The download, slow enough to be seen, with the bar half way.
  char downloading[256] = {};
  LoadStringA(GetModuleHandleA(nullptr), IDS_DOWNLOADING_WAIT, downloading, sizeof downloading);
  service.configure(R"({"routes": {"/files/big.zip": {"rate": 1500000}}})");
  setup.press_run();
  for (DWORD waited = 0; waited < kRunMs; waited += 20) {
    const LRESULT high = progress(d, PBM_GETRANGE, FALSE);
    const LRESULT pos = progress(d, PBM_GETPOS);
    if (setup.text(IDC_STATUS) == downloading && high > 0 && pos * 100 >= high * 45 &&
        pos * 100 <= high * 70)
      break;
    Sleep(20);
  }
  take(d, "downloading");

  box = setup.wait_box();
  if (!box.hwnd) return 1;
  take_both(d, box.hwnd, "installed");
  answer(box, IDOK);
  const DWORD code = setup.wait_exit();
  std::printf("  exit code: %lu\n", code);
  return code == 1 ? 0 : 1;
}
