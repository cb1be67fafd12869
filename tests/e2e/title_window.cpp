// Shows one top-level window whose title is the first argument (ANSI) and waits until it is
// ended. The close guard of the installer ends the process owning a window of a fixed title;
// this program is that process in the tests.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  std::string title = command_line;
  if (title.size() >= 2 && title.front() == '"' && title.back() == '"')
    title = title.substr(1, title.size() - 2);
  HWND w = CreateWindowExA(0, "STATIC", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                           300, 100, nullptr, nullptr, instance, nullptr);
  if (!w) return 2;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
