#include "win/errors.h"

#include <wininet.h>

#include <vector>

namespace kestrion::win {

namespace {

std::string format_message(DWORD flags, const void* source, DWORD code) {
  char* buffer = nullptr;
  DWORD n = FormatMessageA(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                           source, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text(buffer ? buffer : "", n);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  return text;
}

}  // namespace

std::string system_text(DWORD code) {
  std::string text = format_message(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
  return text.empty() ? "error " + std::to_string(code) : text;
}

std::string internet_text(DWORD code) {
  if (code == ERROR_INTERNET_EXTENDED_ERROR) {
    DWORD error = 0, size = 0;
    InternetGetLastResponseInfoA(&error, nullptr, &size);
    std::vector<char> buffer(size + 1, '\0');
    size = static_cast<DWORD>(buffer.size());
    if (InternetGetLastResponseInfoA(&error, buffer.data(), &size))
      return std::string(buffer.data(), size);
  }
  std::string text;
  if (HMODULE wininet = GetModuleHandleA("wininet.dll"))
    text = format_message(FORMAT_MESSAGE_FROM_HMODULE, wininet, code);
  return text.empty() ? system_text(code) : text;
}

}  // namespace kestrion::win
