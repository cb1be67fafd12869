// Shows one top-level window whose title is the last argument (ANSI) and waits until it is
// ended. The close guard of the installer ends the process of the companion installer, a dialog
// of a fixed title; this program is that companion in the tests:
//   title_window.exe "title"           a dialog box (class #32770) with that title
//   title_window.exe --plain "title"   a plain window with that title, of the class of an
//                                      Explorer folder window, which the close guard must spare
#include <windows.h>

#include <string>

namespace {

constexpr char kPlainClass[] = "CabinetWClass";

// One argument of the command line: the spaces around it and its double quotes removed.
std::string strip_quotes(std::string s) {
  while (!s.empty() && s.front() == ' ') s.erase(0, 1);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

INT_PTR CALLBACK dialog_proc(HWND, UINT msg, WPARAM, LPARAM) {
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

HWND make_dialog(HINSTANCE instance) {
  // A template in memory: the header, then empty menu, class and title (the title is set later
  // in the ANSI code page), no controls.
  struct {
    DLGTEMPLATE header;
    WORD menu, window_class, title;
  } tmpl{};
  tmpl.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  tmpl.header.cx = 200;
  tmpl.header.cy = 60;
  tmpl.header.x = 10;
  tmpl.header.y = 10;
  return CreateDialogIndirectParamA(instance, &tmpl.header, nullptr, dialog_proc, 0);
}

LRESULT CALLBACK plain_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(w, msg, wp, lp);
}

HWND make_plain(HINSTANCE instance) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = plain_proc;
  wc.hInstance = instance;
  wc.lpszClassName = kPlainClass;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  if (!RegisterClassA(&wc)) return nullptr;
  return CreateWindowExA(0, kPlainClass, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 100,
                         nullptr, nullptr, instance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  std::string args = command_line;
  constexpr char kPlain[] = "--plain";
  const bool plain = args.compare(0, sizeof kPlain - 1, kPlain) == 0;
  const std::string title = strip_quotes(plain ? args.substr(sizeof kPlain - 1) : args);
  HWND w = plain ? make_plain(instance) : make_dialog(instance);
  if (!w) return 2;
  SetWindowTextA(w, title.c_str());
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(w, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return 0;
}
