#include "install/tree.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "log/log.h"
#include "text/codepage.h"
#include "text/path.h"
#include "win/blocking.h"
#include "win/errors.h"
#include "win/file_writer.h"
#include "win/files.h"
#include "win/folders.h"
#include "win/handles.h"

namespace kestrion {

namespace {

constexpr char kCopyError[] = "升级错误 myCopyFileOrDeleteFile >>>> ：";

bool is_dots(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Calls `visit` for every entry of `folder` but "." and "..", in the order the system lists
// them. A folder that does not exist has no entries; one that cannot be listed throws FileError.
template <typename Visit>
void for_each_entry(const std::string& folder, Visit visit) {
  const std::string pattern = folder + "\\*.*";
  if (!text::path_fits(pattern))
    throw win::FileError(ERROR_FILENAME_EXCED_RANGE,
                         folder + " ：" + win::system_text(ERROR_FILENAME_EXCED_RANGE));
  WIN32_FIND_DATAA entry;
  win::FindHandle find(FindFirstFileA(pattern.c_str(), &entry));
  if (!find) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    throw win::FileError(error, folder + " ：" + win::system_text(error));
  }
  do {
    if (!is_dots(entry.cFileName)) visit(entry);
  } while (FindNextFileA(find.get(), &entry));
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_FILES) throw win::FileError(error, folder + " ：" + win::system_text(error));
}

bool is_folder(const WIN32_FIND_DATAA& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The absolute form of a path, without a trailing separator, for comparing two folders.
std::string full_path(const std::string& path) {
  char buffer[MAX_PATH];
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  std::string full = n > 0 && n < MAX_PATH ? std::string(buffer, n) : path;
  while (full.size() > 3 && (text::ends_with_char(full, '\\') || text::ends_with_char(full, '/')))
    full.pop_back();
  return full;
}

bool same_name(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;  // file names compare without case
}

// The copy's failure in the log: "from => to ：reason".
void log_copy_failure(const std::string& from, const std::string& to, DWORD error) {
  write_log(kCopyError + from + " => " + to + " ：" + win::system_text(error));
}

void log_copy_failures(const std::vector<win::FileWriter::Failure>& failures) {
  for (const win::FileWriter::Failure& f : failures) log_copy_failure(f.tag, f.path, f.error);
}

// Reads the file `from`, listed as `listed`, and hands it to `writer` for `to`, in place of a
// file of that name, with the attributes and time of last change of the listing, as the
// system's own copy does. The listing already holds them: asking the open file for them
// (GetFileInformationByHandle) also asks for its volume's serial number, which costs more than
// the copy of a small file. False when the file cannot be read at all (GetLastError() says
// why); a failure once it is handed over is the writer's to report.
bool copy_file(const std::string& from, const WIN32_FIND_DATAA& listed, const std::string& to,
               win::FileWriter& writer) {
  win::FileHandle in(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!in || !GetFileSizeEx(in.get(), &size)) return false;
  writer.begin(to, listed.dwFileAttributes, from);
  // The size of the open file is read, and no more: a small file costs one read, not two.
  for (std::uint64_t left = static_cast<std::uint64_t>(size.QuadPart); left > 0;) {
    std::vector<char> piece = writer.piece();
    const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(left, piece.size()));
    DWORD n = 0;
    const bool read = ReadFile(in.get(), piece.data(), want, &n, nullptr);
    if (!read || n == 0) {  // n == 0: shorter than it was a moment ago
      writer.abandon(read ? ERROR_HANDLE_EOF : GetLastError());
      return true;
    }
    writer.add(std::move(piece), n);
    left -= n;
  }
  writer.end(nullptr, nullptr, &listed.ftLastWriteTime);
  return true;
}

// One level of the copy; `skip` is the destination's full path, never walked into. Folders are
// made here, before any file in them is handed to the writer.
bool copy_folder(const std::string& destination, const std::string& source,
                 const std::string& leave_out, const std::string& skip,
                 win::FileWriter& writer) {
  bool ok = true;
  try {
    win::make_folder(destination);
    for_each_entry(source, [&](const WIN32_FIND_DATAA& entry) {
      const std::string from = source + "\\" + entry.cFileName;
      const std::string to = destination + "\\" + entry.cFileName;
      if (is_folder(entry)) {
        if (!same_name(full_path(from), skip))
          ok = copy_folder(to, from, std::string(), skip, writer) && ok;
      } else if (leave_out.empty() || !same_name(entry.cFileName, leave_out)) {
        if (!copy_file(from, entry, to, writer)) {
          log_copy_failure(from, to, GetLastError());
          ok = false;
        }
        const std::vector<win::FileWriter::Failure> failed = writer.take_failures();
        log_copy_failures(failed);
        ok = ok && failed.empty();
      }
    });
  } catch (const win::SystemError& e) {
    write_log(kCopyError + e.text());
    return false;
  }
  return ok;
}

}  // namespace

bool myCopyFileOrDeleteFile(RunState& state, const std::string& destination,
                            const std::string& source, const std::string& leave_out) {
  if (source.empty()) return true;
  const std::string skip = full_path(destination);
  if (same_name(full_path(source), skip)) return true;
  // The walk is one piece of blocking work: the window is served by time meanwhile.
  // Reading and writing overlap: the files are written on a thread of their own.
  return win::run_blocking(state, [&] {
    win::FileWriter writer;
    const bool ok = copy_folder(destination, source, leave_out, skip, writer);
    const std::vector<win::FileWriter::Failure> failed = writer.finish();
    log_copy_failures(failed);
    return ok && failed.empty();
  });
}

namespace {

enum class ReadOnly { stays, goes };

void empty_folder(const std::string& folder, ReadOnly read_only) {
  try {
    for_each_entry(folder, [&](const WIN32_FIND_DATAA& entry) {
      const std::string path = folder + "\\" + entry.cFileName;
      if (read_only == ReadOnly::goes && (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), entry.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
      if (is_folder(entry)) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
          empty_folder(path, read_only);
        RemoveDirectoryA(path.c_str());
      } else {
        DeleteFileA(path.c_str());
      }
    });
  } catch (const win::SystemError&) {
    // Nothing is reported: what cannot be listed stays.
  }
}

}  // namespace

void delete_tree(RunState& state, std::string folder) {
  win::run_blocking(state, [&] { empty_folder(folder, ReadOnly::stays); });
}

bool remove_folder(RunState& state, const std::string& folder) {
  if (!win::path_exists(folder)) return true;
  win::run_blocking(state, [&] { empty_folder(folder, ReadOnly::goes); });
  SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(folder.c_str());
  return !win::path_exists(folder);
}

}  // namespace kestrion
