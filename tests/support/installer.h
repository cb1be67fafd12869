// The real installer in a real window, driven from another process: a copy of kestrion.exe
// under a setup name in a store folder of its own (its log\log.txt beside it), started with
// upgrade arguments or none, its dialog found, its controls read and set, Run pressed, its
// boxes answered, its exit code collected.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "state/ids.h"
#include "support.h"

namespace kestrion::test {

constexpr DWORD kStartMs = 20000;
constexpr DWORD kRunMs = 60000;

class Installer {
 public:
  // Copies kestrion.exe into `folder` as `file_name`; start() runs it.
  Installer(const std::string& folder, const std::string& file_name);
  // A setup program that is already in place.
  struct Existing {};
  Installer(const std::string& folder, const std::string& file_name, Existing)
      : folder_(folder), path_(folder + "\\" + file_name) {}
  // Starts it with these arguments (each quoted); with `expect_dialog`, waits for its dialog.
  void start(const std::vector<std::string>& args = {}, bool expect_dialog = true);
  // Starts it with this text after its quoted path, as it stands (the switches of an unattended
  // install); no dialog is waited for.
  void start_line(const std::string& arguments);

  HWND dialog() const { return dialog_; }
  Process& process() { return *process_; }
  std::string text(int id) const { return control_text(dialog_, id); }
  void set(int id, const std::string& value) { set_control_text(dialog_, id, value); }
  bool enabled(int id) const { return control_enabled(dialog_, id); }
  void press_run() { press(dialog_, IDC_RUN); }

  // The next message box of the installer (hwnd null when none came within `ms`).
  MessageBoxInfo wait_box(DWORD ms = kRunMs) { return wait_message_box(process_->pid(), ms); }
  // Answers the next box with `button` and returns it.
  MessageBoxInfo answer_box(int button, DWORD ms = kRunMs);
  // Waits until Run is enabled again with this status text (a failed run's end).
  bool wait_failed(const std::string& status, DWORD ms = kRunMs);
  DWORD wait_exit(DWORD ms = kRunMs) { return process_->wait(ms); }
  // Waits for the exit while watching the screen: `shown` names the first window of the
  // installer that became visible while it ran (its class and title), "" when none did.
  struct Exit {
    DWORD code;
    std::string shown;
  };
  Exit wait_exit_watching(DWORD ms = kRunMs);

  std::string log() const { return read_file(folder_ + "\\log\\log.txt"); }
  const std::string& path() const { return path_; }
  // The caption of its boxes: the file name without extension.
  std::string app_name() const;

 private:
  std::string folder_, path_;
  std::unique_ptr<Process> process_;
  HWND dialog_ = nullptr;
};

// The shell folders of the prefix's user.
std::string appdata_folder();
std::string desktop_folder();

// Saves a picture of the window (as the screen shows it) as a 24-bit BMP file.
bool save_window_bitmap(HWND window, const std::string& path);
// The same for an area of the screen.
bool save_screen_bitmap(const RECT& area, const std::string& path);

}  // namespace kestrion::test
