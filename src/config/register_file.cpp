#include "config/register_file.h"

#include <windows.h>

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

}  // namespace

RegisterStatus read_register(const std::string& path, Json::Value& root) {
  win::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? RegisterStatus::missing
               : RegisterStatus::unreadable;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return RegisterStatus::unreadable;
  if (size.QuadPart > kMaxRegisterBytes) return RegisterStatus::damaged;

  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t have = 0;
  while (have < bytes.size()) {
    DWORD n = 0;
    if (!ReadFile(file.get(), &bytes[have], static_cast<DWORD>(bytes.size() - have), &n, nullptr))
      return RegisterStatus::unreadable;
    if (n == 0) break;  // shorter than its size said: parse what is there
    have += n;
  }
  bytes.resize(have);
  return parse_json(bytes, root) ? RegisterStatus::parsed : RegisterStatus::damaged;
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
  DWORD error = NO_ERROR;
  {
    win::FileHandle file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      log_failure(temp, GetLastError());
      return {};
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr))
      error = GetLastError();
    else if (written != bytes.size())
      error = ERROR_DISK_FULL;
    else if (!FlushFileBuffers(file.get()))
      error = GetLastError();
  }
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
    const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                      error == ERROR_LOCK_VIOLATION;
    if (!held || GetTickCount() - start >= kMoveWaitMs) {
      DeleteFileA(temp.c_str());
      log_failure(path, error);
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
  const std::string temp = write_beside(state, path, styled_json(document));
  return !temp.empty() && move_over(temp, path);
}

}  // namespace kestrion
