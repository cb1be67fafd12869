// Drives the installer for scripts/demo when nobody is at the screen: starts the setup program,
// waits for its dialog, takes pictures, presses Run (install mode) and answers the final box,
// and reports the texts it saw and the exit code.
//
//   demo_driver <setup.exe> <picture folder> [upgrade arguments...]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "installer.h"

using namespace kestrion::test;

namespace {

// The console shows UTF-8; the installer's texts are ANSI.
void say(const std::string& what, const std::string& ansi) {
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, w.data(), n);
  n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string u(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, u.data(), n, nullptr, nullptr);
  std::printf("  %s: %s\n", what.c_str(), u.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: demo_driver <setup.exe> <picture folder> [upgrade arguments]\n");
    return 2;
  }
  const std::string exe = argv[1], pictures = argv[2];
  const std::vector<std::string> args(argv + 3, argv + argc);
  const std::string folder = exe.substr(0, exe.find_last_of('\\'));
  const std::string name = exe.substr(exe.find_last_of('\\') + 1);
  const bool upgrade = !args.empty();

  Installer setup(folder, name, Installer::Existing{});
  setup.start(args, !upgrade || args.size() < 6 || args[5] != "N");
  if (setup.dialog()) {
    // An upgrade runs by itself: its picture is taken at once, while it runs.
    if (!upgrade) Sleep(800);
    say("window title", window_text(setup.dialog()));
    say("service address", setup.text(IDC_SERVICE_ADDRESS));
    say("install folder", setup.text(IDC_INSTALL_FOLDER));
    save_window_bitmap(setup.dialog(), pictures + "\\" + (upgrade ? "upgrade" : "before-run") + ".bmp");
    if (!upgrade) {
      std::printf("  pressing Run\n");
      setup.press_run();
      MessageBoxInfo box = setup.wait_box(kRunMs);
      if (box.hwnd) {
        save_window_bitmap(setup.dialog(), pictures + "\\after-run.bmp");
        say("message box", box.text);
        answer(box, IDOK);
      }
    }
  }
  const DWORD code = setup.wait_exit(kRunMs);
  if (code == STILL_ACTIVE) {
    if (setup.dialog()) say("status line", setup.text(IDC_STATUS));
    std::printf("  the installer did not finish\n");
    return 1;
  }
  std::printf("  exit code: %lu\n", code);
  return code == 1 ? 0 : 1;
}
