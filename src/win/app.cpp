#include "win/app.h"

#include "text/codepage.h"

namespace kestrion::win {

std::string module_path() {
  char buffer[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  return std::string(buffer, n < MAX_PATH ? n : MAX_PATH);
}

std::string app_name() {
  std::string name = module_path();
  name.erase(0, static_cast<size_t>(text::rfind_char(name, '\\') + 1));
  int dot = text::rfind_char(name, '.');
  if (dot >= 0) name.erase(static_cast<size_t>(dot));
  return name;
}

std::string load_string(UINT id) {
  // LoadStringW with a zero length hands out the resource itself, however long it is.
  const wchar_t* text = nullptr;
  int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
  if (n <= 0 || !text) return {};
  int bytes = WideCharToMultiByte(CP_ACP, 0, text, n, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, n, s.data(), bytes, nullptr, nullptr);
  return s;
}

int message_box(HWND owner, const std::string& text, const std::string& caption, UINT style) {
  const std::string shown = caption.empty() ? app_name() : caption;
  return MessageBoxA(owner, text.c_str(), shown.c_str(), style);
}

void pump_one_message() {
  MSG msg;
  if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace kestrion::win
