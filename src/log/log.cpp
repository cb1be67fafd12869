#include "log/log.h"

#include <windows.h>

#include "text/codepage.h"
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
    // No sharing: nobody else may open the file while the entry is written. Append access
    // writes every block at the end of the file, whatever its size (a file pointer moved to the
    // end by SetFilePointer fails past 4 GB).
    win::FileHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
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
  // The module path as the system gives it, cut after its last backslash, found character-wise:
  // a name holding a double-byte character whose trail byte is 0x5C (乗) keeps its folder.
  const std::string path = win::module_path();
  const int slash = text::rfind_char(path, '\\');
  return slash < 0 ? std::string() : path.substr(0, static_cast<size_t>(slash) + 1);
}

void write_log(std::string message) {
  const std::string folder = exe_folder() + "log";
  win::make_folder(folder);

  win::FileHandle file = open_log(folder + "\\log.txt");
  if (!file) return;
  const std::string bytes = text::with_crlf("\n" + message);
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace kestrion
