// A modal dialog from a template, over DialogBoxParamA, with a virtual handler for each message
// the program's dialog needs and its controls addressed by id.
#pragma once

#include <windows.h>

#include <string>

namespace kestrion::win {

class ModalDialog {
 public:
  explicit ModalDialog(int template_id) : template_id_(template_id) {}
  virtual ~ModalDialog() = default;
  ModalDialog(const ModalDialog&) = delete;
  ModalDialog& operator=(const ModalDialog&) = delete;

  // Runs the dialog's modal loop; returns the result given to end_dialog (-1 on failure).
  INT_PTR do_modal(HWND parent = nullptr);
  void end_dialog(INT_PTR result);
  HWND hwnd() const { return hwnd_; }

  // Controls by id.
  HWND item(int id) const { return GetDlgItem(hwnd_, id); }
  std::string item_text(int id) const;
  void set_item_text(int id, const std::string& value);
  void enable_item(int id, bool on);
  bool item_enabled(int id) const;

 protected:
  // Each returns true when it handled the message; `result` is then the dialog procedure's
  // answer. Unhandled messages get the system's default dialog handling.
  virtual bool on_init_dialog() { return true; }  // true: the system sets the focus
  virtual bool on_command(int /*id*/, int /*notify*/) { return false; }
  virtual bool on_paint() { return false; }
  virtual bool on_erase_background(HDC /*dc*/) { return false; }
  virtual HICON on_query_drag_icon() { return nullptr; }
  virtual bool on_timer(UINT_PTR /*id*/) { return false; }
  virtual bool on_sys_command(WPARAM /*command*/, LPARAM /*point*/) { return false; }
  virtual bool on_close() { return false; }
  // Every other message, the program's own (WM_USER + n) among them.
  virtual bool on_message(UINT /*msg*/, WPARAM, LPARAM, INT_PTR& /*result*/) { return false; }

 private:
  static INT_PTR CALLBACK procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR dispatch(UINT msg, WPARAM wp, LPARAM lp);

  int template_id_;
  HWND hwnd_ = nullptr;
};

}  // namespace kestrion::win
