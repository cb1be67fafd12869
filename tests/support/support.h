// Helpers for the Windows test programs: paths, temporary folders, whole-file reads and writes,
// and a driver for the real program in a real window (processes, windows, control texts, boxes).
#pragma once

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kestrion::test {

// ---- paths and files ----------------------------------------------------------------------

// A Unix path as Wine shows it to programs ("/a/b" -> "Z:\a\b").
std::string win_path(const std::string& unix_path);
// The environment variable, or "" when unset.
std::string env(const char* name);
// The build folder and the source folder, as Windows paths.
std::string build_folder();
std::string source_folder();
// The built program, kestrion.exe.
std::string program_path();
// This test program's own path, and a file beside it.
std::string this_program();
std::string beside_this_program(const std::string& name);

std::string read_file(const std::string& path);  // "" when missing
void write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);
bool folder_exists(const std::string& path);
void make_folders(const std::string& path);  // every missing level
void remove_tree(const std::string& path);   // files and folders, read-only ones too
std::vector<std::string> list_tree(const std::string& root);  // relative paths, sorted; folders end in "\"

// A new empty folder under the system's temporary folder, removed with its content at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& tag = "t");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
  void keep() { keep_ = true; }

 private:
  std::string path_;
  bool keep_ = false;
};

// ---- the window's answer times --------------------------------------------------------------

// The longest time between two calls of tick(), counting from construction to stop(): how long
// the window went unserved while work ran.
class Gaps {
 public:
  Gaps() : last_(GetTickCount()) {}
  void tick() {
    const DWORD now = GetTickCount();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
    ++ticks_;
  }
  DWORD stop() {  // the longest gap, the one up to now included
    const int ticks = ticks_;
    tick();
    ticks_ = ticks;
    return longest_;
  }
  int ticks() const { return ticks_; }

 private:
  DWORD last_, longest_ = 0;
  int ticks_ = 0;
};

// ---- driving a program --------------------------------------------------------------------

class Process {
 public:
  // Starts `command_line` (ANSI) in `folder` (empty: the current one).
  explicit Process(const std::string& command_line, const std::string& folder = {});
  ~Process();  // ends the process when it still runs
  Process(Process&&) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  DWORD pid() const { return pid_; }
  bool running() const;
  // The exit code, or STILL_ACTIVE when it did not end within `ms`.
  DWORD wait(DWORD ms);
  void kill();

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// The first visible top-level window of process `pid` with the class (nullptr: any) and, when
// given, exactly this title; waits up to `ms`. nullptr when none appears.
HWND wait_window(DWORD pid, const char* window_class, const char* title, DWORD ms);
// Every visible top-level window of the process with the class.
std::vector<HWND> windows_of(DWORD pid, const char* window_class);

// A window's or a control's text, read across processes without waiting on a busy window.
std::string window_text(HWND hwnd);
std::string control_text(HWND dialog, int id);
void set_control_text(HWND dialog, int id, const std::string& text);
bool control_enabled(HWND dialog, int id);
// Presses a button by posting its click, so a long handler does not block the driver.
void press(HWND dialog, int id);

// A message box of the process: a visible dialog window holding static control 0xFFFF.
struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::string caption;
  std::string text;
};
MessageBoxInfo wait_message_box(DWORD pid, DWORD ms);
// Answers a message box with a button (IDOK, IDYES, IDNO).
void answer(const MessageBoxInfo& box, int button);

// ---- the log ----------------------------------------------------------------------------

// The lines of this program's log (log\log.txt beside it), in order: each entry starts with
// CR LF, so the text before the first one is left out. Empty when there is no log.
std::vector<std::string> log_lines();

// ---- system texts ---------------------------------------------------------------------

// The text WinINet's message table gives for `code` in this system's language, its line end
// trimmed, as the installer shows it (12029: "尝试连接到服务器失败。" in Chinese under Wine).
std::string wininet_text(DWORD code);

// `s` as a JSON string's content: each backslash and quotation mark escaped.
std::string json_escaped(const std::string& s);

}  // namespace kestrion::test
