// The main dialog: template 102, the run state on its real controls, and the window's handlers
// (paint, tray icon, timer, Run, Browse, Enter, close guard, first erase).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>

#include "run/run_sequence.h"
#include "shell/command_line.h"
#include "shell/unattended.h"
#include "state/run_state.h"
#include "win/dialog.h"

namespace kestrion {

class CKestrionDlg : public win::ModalDialog, public RunState {
 public:
  // With `unattended`, the dialog never shows itself: its run starts by itself, its boxes go to
  // the log, and its end sets unattended_exit_code().
  explicit CKestrionDlg(std::optional<Unattended> unattended = std::nullopt);
  ~CKestrionDlg() override;

  // How an unattended install ended (unattended_exit::not_finished until its run ends).
  int unattended_exit_code() const { return unattended_exit_; }

  // RunState on the controls of the dialog.
  std::string text(int id) const override { return item_text(id); }
  void set_text(int id, const std::string& value) override { set_item_text(id, value); }
  void enable(int id, bool on) override { enable_item(id, on); }
  bool enabled(int id) const override { return item_enabled(id); }
  void set_progress_range(int low, int high) override;
  void set_progress_pos(int pos) override;
  void set_progress_step(int step) override;
  void step_progress() override;
  int progress_pos() const override;
  int message_box(const std::string& text, const std::string& caption,
                  unsigned style) override;
  void pump_one() override;
  bool running() const override { return running_; }
  void set_running(bool on) override { running_ = on; }

  // Ends the process of another program showing a top-level dialog with exactly this title
  // (exit code 4); windows of other classes with that title are left alone.
  static void end_process_by_title(const std::string& title);
  // Hides the dialog and puts the program icon in the notification area.
  void add_tray_icon();
  void remove_tray_icon();

 protected:
  bool on_init_dialog() override;
  bool on_command(int id, int notify) override;
  bool on_paint() override;
  bool on_erase_background(HDC dc) override;
  HICON on_query_drag_icon() override { return icon_; }
  bool on_timer(UINT_PTR id) override;
  bool on_close() override;
  bool on_message(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  LRESULT progress(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;
  void init_install_mode(const LaunchArguments& args);
  void init_upgrade_mode(const LaunchArguments& args);
  void set_upgrade_inputs(const LaunchArguments& args);
  void finish_without_download();
  void start_unattended();
  void end_unattended(const RunEnd& end);
  void run();             // the run sequence, once per press or timer start
  void browse();          // the Browse button
  void show_when_idle();
  [[noreturn]] void finish_process();  // the end of a finished run: exit code 1

  static constexpr UINT_PTR kRunTimer = 2;  // starts the run of an upgrade with a download

  HICON icon_;
  NOTIFYICONDATAA tray_{};
  bool tray_added_ = false;
  bool running_ = false;
  bool timer_run_pending_ = false;  // timer 2 starts the run at most once
  std::string box_when_shown_;      // a box the dialog shows once it is visible
  std::optional<Unattended> unattended_;
  int unattended_exit_ = unattended_exit::not_finished;
};

}  // namespace kestrion
