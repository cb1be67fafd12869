// The main dialog: template 102, the run state on its real controls.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "state/run_state.h"
#include "win/dialog.h"

namespace kestrion {

class CKestrionDlg : public win::ModalDialog, public RunState {
 public:
  CKestrionDlg();
  ~CKestrionDlg() override;

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

 protected:
  bool on_init_dialog() override;
  bool on_command(int id, int notify) override;
  HICON on_query_drag_icon() override { return icon_; }

 private:
  LRESULT progress(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;

  HICON icon_;
  NOTIFYICONDATAA tray_{};
  bool running_ = false;
};

}  // namespace kestrion
