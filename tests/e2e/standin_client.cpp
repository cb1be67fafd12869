// A stand-in for the Tillwright POS client, packed into test and demo packages as
// app\TILLWRIGHT.exe. Started, it records how (its command line and working folder) in
// launched.txt beside itself, so a test can tell that and how the installer started it.
// With the environment variable KESTRION_STANDIN_WINDOW set it also shows a small window for
// that many milliseconds, which is what a person sees in the demo.
#include <windows.h>

#include <string>

namespace {

std::string own_folder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p = path;
  return p.substr(0, p.find_last_of('\\') + 1);
}

void record_start() {
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  const std::string text = std::string("command line: ") + GetCommandLineA() +
                           "\r\nworking folder: " + cwd + "\r\n";
  HANDLE f = CreateFileA((own_folder() + "launched.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                         nullptr, OPEN_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD n = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  CloseHandle(f);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  record_start();
  char ms[32] = {};
  if (GetEnvironmentVariableA("KESTRION_STANDIN_WINDOW", ms, sizeof ms) > 0) {
    HWND w = CreateWindowExA(0, "STATIC", "Tillwright POS (stand-in client)",
                             WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 200, 420, 160, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    const DWORD until = GetTickCount() + static_cast<DWORD>(atoi(ms));
    MSG msg;
    while (GetTickCount() < until) {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      Sleep(20);
    }
    DestroyWindow(w);
  }
  return 0;
}
