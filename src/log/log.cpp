#include "log/log.h"

#include <windows.h>

#include "text/line_ends.h"
#include "win/app.h"
#include "win/folders.h"
#include "win/handles.h"

namespace kestrion {

namespace {

constexpr DWORD kShareWaitMs = 100;  // how long a held log file is waited for
constexpr DWORD kRetryMs = 10;

win::FileHandle open_log(const std::string& path) {
  const DWORD start = GetTickCount();
  for (;;) {
    // No sharing: nobody else may open the file while the entry is written.
    win::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return file;
    DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return file;
    if (GetTickCount() - start >= kShareWaitMs) return file;
    Sleep(kRetryMs);
  }
}

}  // namespace

std::string exe_folder() {
  // A plain byte search: the module path as the system gives it, cut after its last backslash.
  std::string path = win::module_path();
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void write_log(std::string message) {
  const std::string folder = exe_folder() + "log";
  win::make_folder(folder);

  win::FileHandle file = open_log(folder + "\\log.txt");
  if (!file) return;
  if (SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR)
    return;
  const std::string bytes = text::with_crlf("\n" + message);
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace kestrion
