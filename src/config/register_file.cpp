#include "config/register_file.h"

#include <windows.h>

#include <optional>

#include "log/log.h"
#include "config/styled_json.h"
#include "win/path_limit.h"
#include "win/errors.h"
#include "win/handles.h"

namespace kestrion {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr LONGLONG kMaxRegisterBytes = 16 * 1024 * 1024;  // far above any real register
constexpr int kMaxSideCopies = 99;
constexpr DWORD kReplaceFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
constexpr DWORD kMoveWaitMs = 500;  // a reader holding the old file briefly is waited for
constexpr DWORD kRetryMs = 25;

void log_failure(const std::string& path, DWORD error) {
  write_log("写配置文件失败 >>>> ：" + path + " " + win::system_text(error));
}

// The side copy of our own that holds a register's previous bytes while it is rewritten in place.
std::string rewrite_copy_path(const std::string& path) { return path + ".rewrite"; }

bool is_held(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_LOCK_VIOLATION;
}

// The whole file, read shared with every other opener; nothing when it cannot be read.
std::optional<std::string> read_bytes(const std::string& path, DWORD& error) {
  win::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) {
    error = GetLastError();
    return std::nullopt;
  }
  if (size.QuadPart > kMaxRegisterBytes) {
    error = ERROR_FILE_TOO_LARGE;
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t have = 0;
  while (have < bytes.size()) {
    DWORD n = 0;
    if (!ReadFile(file.get(), &bytes[have], static_cast<DWORD>(bytes.size() - have), &n,
                  nullptr)) {
      error = GetLastError();
      return std::nullopt;
    }
    if (n == 0) break;  // shorter than its size said: what is there
    have += n;
  }
  bytes.resize(have);
  return bytes;
}

// Writes `bytes` as the whole content of `path` (created when `disposition` allows it), flushed.
DWORD write_whole(const std::string& path, const std::string& bytes, DWORD disposition,
                  DWORD share = kShareAll) {
  win::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, share, nullptr, disposition,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
    return GetLastError();
  if (written != bytes.size()) return ERROR_DISK_FULL;
  if (!SetEndOfFile(file.get()) || !FlushFileBuffers(file.get())) return GetLastError();
  return NO_ERROR;
}

// A register that a reader holds open without letting it be replaced is rewritten in place so
// that nothing is lost at any point: its previous bytes first go to a side copy of our own
// (flushed), then the new bytes over it (flushed), then the side copy goes. A start that finds
// the side copy restores the register from it unless the register itself is whole.
bool rewrite_in_place(const std::string& path, const std::string& bytes) {
  DWORD error = NO_ERROR;
  const std::optional<std::string> before = read_bytes(path, error);
  const std::string copy = rewrite_copy_path(path);
  if (!before || (error = write_whole(copy, *before, CREATE_ALWAYS)) != NO_ERROR) {
    DeleteFileA(copy.c_str());
    log_failure(path, error);
    return false;
  }
  if ((error = write_whole(path, bytes, OPEN_EXISTING)) != NO_ERROR) {
    // Whatever the failed write left, the previous bytes go back.
    write_whole(path, *before, OPEN_EXISTING);
    log_failure(path, error);
    return false;
  }
  DeleteFileA(copy.c_str());
  return true;
}

// Finishes what a rewrite in place left: a whole register keeps its bytes, a damaged one gets
// its previous bytes back; then the side copy goes.
void restore_interrupted_rewrite(const std::string& path) {
  const std::string copy = rewrite_copy_path(path);
  DWORD error = NO_ERROR;
  const std::optional<std::string> saved = read_bytes(copy, error);
  if (!saved) return;
  const std::optional<std::string> current = read_bytes(path, error);
  Json::Value ignored;
  if (!current || !parse_json(*current, ignored)) {
    if (write_whole(path, *saved, OPEN_ALWAYS) != NO_ERROR) return;  // the copy stays for later
    write_log("配置文件已从改写前的副本恢复 >>>> ：" + path);
  }
  DeleteFileA(copy.c_str());
}

}  // namespace

RegisterStatus read_register(const std::string& path, Json::Value& root) {
  restore_interrupted_rewrite(path);
  DWORD error = NO_ERROR;
  const std::optional<std::string> bytes = read_bytes(path, error);
  if (!bytes) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      return RegisterStatus::missing;
    return error == ERROR_FILE_TOO_LARGE ? RegisterStatus::damaged : RegisterStatus::unreadable;
  }
  return parse_json(*bytes, root) ? RegisterStatus::parsed : RegisterStatus::damaged;
}

std::string keep_side_copy(RunState& state, const std::string& path) {
  for (int i = 1; i <= kMaxSideCopies; ++i) {
    const std::string side = path + ".bad" + (i == 1 ? std::string() : std::to_string(i));
    if (!path_allowed(state, side)) return {};
    if (CopyFileA(path.c_str(), side.c_str(), TRUE)) {
      write_log("无法读取的配置文件已另存为 >>>> ：" + side);
      return side;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      log_failure(side, error);
      return {};
    }
  }
  return {};
}

std::string write_beside(RunState& state, const std::string& path, const std::string& bytes) {
  // One writer per process at a time, so the process id keeps two programs apart.
  const std::string temp = path + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
  if (!path_allowed(state, temp)) return {};
  const DWORD error = write_whole(temp, bytes, CREATE_ALWAYS, 0);  // unshared while written
  if (error != NO_ERROR) {
    DeleteFileA(temp.c_str());
    log_failure(temp, error);
    return {};
  }
  return temp;
}

bool move_over(const std::string& temp, const std::string& path) {
  const DWORD start = GetTickCount();
  while (!MoveFileExA(temp.c_str(), path.c_str(), kReplaceFlags)) {
    const DWORD error = GetLastError();
    if (!is_held(error) || GetTickCount() - start >= kMoveWaitMs) {
      DeleteFileA(temp.c_str());
      if (!is_held(error)) log_failure(path, error);  // a held one may still be rewritten
      SetLastError(error);
      return false;
    }
    Sleep(kRetryMs);
  }
  return true;
}

bool write_register(RunState& state, const std::string& path, const Json::Value& document,
                    RegisterStatus status, bool complete) {
  if (!path_allowed(state, path)) return false;
  if (status == RegisterStatus::unreadable) {
    write_log("配置文件无法读取，未改写 >>>> ：" + path);
    return false;
  }
  // A read-only file stays as it is: Windows refuses to replace it, Wine would not.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    log_failure(path, ERROR_ACCESS_DENIED);
    return false;
  }
  const bool keep_old =
      status == RegisterStatus::damaged || (status == RegisterStatus::parsed && !complete);
  if (keep_old && keep_side_copy(state, path).empty()) return false;
  const std::string bytes = styled_json(document);
  const std::string temp = write_beside(state, path, bytes);
  if (temp.empty()) return false;
  if (move_over(temp, path)) return true;
  // Refused while a reader holds the file: rewritten in place when it can be written at all.
  const DWORD error = GetLastError();
  if (!is_held(error)) return false;
  if (!path_allowed(state, rewrite_copy_path(path))) {
    log_failure(path, error);
    return false;
  }
  return rewrite_in_place(path, bytes);
}

}  // namespace kestrion
