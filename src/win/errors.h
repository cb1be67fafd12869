// Errors of the system's file and internet calls, carrying the code and the system's own text.
// They stand where the original framework threw; each is caught where the behaviour says.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace kestrion::win {

// The system's text for a Win32 error code, in the user's language, without its line end.
std::string system_text(DWORD code);

// The text for a WinINet error: wininet.dll's message, or for 12003 (extended error) the
// server's own response text.
std::string internet_text(DWORD code);

class SystemError : public std::runtime_error {
 public:
  SystemError(DWORD code, std::string text)
      : std::runtime_error(text), code_(code), text_(std::move(text)) {}
  DWORD code() const { return code_; }
  const std::string& text() const { return text_; }

 private:
  DWORD code_;
  std::string text_;
};

class InternetError : public SystemError {
 public:
  explicit InternetError(DWORD code) : SystemError(code, internet_text(code)) {}
  InternetError(DWORD code, std::string text) : SystemError(code, std::move(text)) {}
};

class FileError : public SystemError {
 public:
  explicit FileError(DWORD code) : SystemError(code, system_text(code)) {}
  FileError(DWORD code, std::string text) : SystemError(code, std::move(text)) {}
};

// One-line checks of a call's result: the value itself when it holds (a handle or its owner, a
// BOOL), otherwise the calling thread's last error is thrown.
//   win::InetHandle request(win::check_internet(HttpOpenRequestA(...)));
//   win::check_file(WriteFile(...));
template <typename T>
T check_internet(T value) {
  if (!value) throw InternetError(GetLastError());
  return value;
}
template <typename T>
T check_file(T value) {
  if (!value) throw FileError(GetLastError());
  return value;
}

}  // namespace kestrion::win
