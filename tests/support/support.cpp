#include "support.h"

#include "log/log.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace kestrion::test {

std::string win_path(const std::string& unix_path) {
  std::string p = "Z:" + unix_path;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
}

std::string env(const char* name) {
  char buffer[32768];
  // The text up to its terminator: Wine counts a GBK value's characters, not its bytes.
  DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer) : std::string();
}

std::string build_folder() { return win_path(env("KESTRION_BUILD")); }
std::string source_folder() { return win_path(env("KESTRION_SOURCE")); }
std::string program_path() { return build_folder() + "\\kestrion.exe"; }

std::string this_program() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

std::string beside_this_program(const std::string& name) {
  const std::string self = this_program();
  return self.substr(0, self.find_last_of('\\') + 1) + name;
}

std::string read_file(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string out;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
  CloseHandle(h);
  return out;
}

void write_file(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + path);
  DWORD n = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
}

bool file_exists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool folder_exists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void make_folders(const std::string& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  }
}

namespace {

void walk(const std::string& root, const std::string& rel,
          const std::function<void(const std::string&, bool)>& visit) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((root + (rel.empty() ? "" : "\\" + rel) + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    std::string child = rel.empty() ? name : rel + "\\" + name;
    bool dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (dir) walk(root, child, visit);
    visit(child, dir);  // children first, so removal can go bottom-up
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

}  // namespace

void remove_tree(const std::string& path) {
  walk(path, "", [&](const std::string& rel, bool dir) {
    std::string full = path + "\\" + rel;
    SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (dir) RemoveDirectoryA(full.c_str());
    else DeleteFileA(full.c_str());
  });
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
}

std::vector<std::string> list_tree(const std::string& root) {
  std::vector<std::string> out;
  walk(root, "", [&](const std::string& rel, bool dir) { out.push_back(dir ? rel + "\\" : rel); });
  std::sort(out.begin(), out.end());
  return out;
}

TempFolder::TempFolder(const std::string& tag) {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  static int counter = 0;
  for (;;) {
    path_ = std::string(base) + "kt_" + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter);
    if (CreateDirectoryA(path_.c_str(), nullptr)) break;
  }
}

TempFolder::~TempFolder() {
  if (!keep_) remove_tree(path_);
}

// ---- processes and windows ----------------------------------------------------------------

Process::Process(const std::string& command_line, const std::string& folder) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string cmd = command_line;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi))
    throw std::runtime_error("cannot start " + command_line);
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
}

Process::Process(Process&& o) noexcept : process_(o.process_), pid_(o.pid_) {
  o.process_ = nullptr;
}

Process::~Process() {
  if (!process_) return;
  kill();
  CloseHandle(process_);
}

bool Process::running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

DWORD Process::wait(DWORD ms) {
  if (WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

void Process::kill() {
  if (running()) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
}

namespace {

struct Search {
  DWORD pid;
  const char* window_class;
  std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
  if (s->window_class) {
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::string(cls) != s->window_class) return TRUE;
  }
  s->found.push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> windows_of(DWORD pid, const char* window_class) {
  Search s{pid, window_class, {}};
  EnumWindows(collect, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND wait_window(DWORD pid, const char* window_class, const char* title, DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    for (HWND h : windows_of(pid, window_class))
      if (!title || window_text(h) == title) return h;
    Sleep(50);
  } while (GetTickCount() - start < ms);
  return nullptr;
}

std::string window_text(HWND hwnd) {
  char buffer[4096] = {};
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                           SMTO_ABORTIFHUNG, 5000, &n))
    return {};
  return std::string(buffer, n);
}

std::string control_text(HWND dialog, int id) { return window_text(GetDlgItem(dialog, id)); }

void set_control_text(HWND dialog, int id, const std::string& text) {
  DWORD_PTR r = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, &r);
}

bool control_enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)); }

void press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

MessageBoxInfo wait_message_box(DWORD pid, DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    for (HWND h : windows_of(pid, "#32770")) {
      HWND text = GetDlgItem(h, 0xFFFF);
      if (text) return {h, window_text(h), window_text(text)};
    }
    Sleep(50);
  } while (GetTickCount() - start < ms);
  return {};
}

void answer(const MessageBoxInfo& box, int button) {
  PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, button)));
}

// ---- the log ----------------------------------------------------------------------------

std::vector<std::string> log_lines() {
  const std::string log = read_file(exe_folder() + "log\\log.txt");
  std::vector<std::string> lines;
  for (size_t at = log.find("\r\n"); at != std::string::npos;) {
    at += 2;
    const size_t next = log.find("\r\n", at);
    lines.push_back(log.substr(at, next == std::string::npos ? std::string::npos : next - at));
    at = next;
  }
  return lines;
}

std::string json_escaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::string wininet_text(DWORD code) {
  char buffer[512] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 LoadLibraryA("wininet.dll"), code, 0, buffer, sizeof buffer,
                                 nullptr);
  std::string text(buffer, n);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  return text;
}

}  // namespace kestrion::test
