#include "text/convert.h"

#include <windows.h>

namespace kestrion::text {

namespace {

std::wstring to_wide(UINT cp, const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string from_wide(UINT cp, const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

}  // namespace

std::string wide_to_ansi(const std::wstring& w) { return from_wide(CP_ACP, w); }
std::wstring ansi_to_wide(const std::string& s) { return to_wide(CP_ACP, s); }
std::wstring utf8_to_wide(const std::string& s) { return to_wide(CP_UTF8, s); }
std::string wide_to_utf8(const std::wstring& w) { return from_wide(CP_UTF8, w); }
std::string utf8_to_ansi(const std::string& s) { return wide_to_ansi(utf8_to_wide(s)); }
std::string ansi_to_utf8(const std::string& s) { return wide_to_utf8(ansi_to_wide(s)); }

}  // namespace kestrion::text
