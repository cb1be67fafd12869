#include "win/dialog.h"

#include <vector>

namespace kestrion::win {

INT_PTR ModalDialog::do_modal(HWND parent) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(template_id_), parent,
                         &ModalDialog::procedure, reinterpret_cast<LPARAM>(this));
}

void ModalDialog::end_dialog(INT_PTR result) { EndDialog(hwnd_, result); }

std::string ModalDialog::item_text(int id) const {
  HWND h = item(id);
  if (!h) return {};
  int n = GetWindowTextLengthA(h);
  std::vector<char> buffer(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(h, buffer.data(), n + 1);
  return std::string(buffer.data(), static_cast<size_t>(n > 0 ? n : 0));
}

void ModalDialog::set_item_text(int id, const std::string& value) {
  SetDlgItemTextA(hwnd_, id, value.c_str());
}

void ModalDialog::enable_item(int id, bool on) { EnableWindow(item(id), on ? TRUE : FALSE); }

bool ModalDialog::item_enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }

INT_PTR CALLBACK ModalDialog::procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    auto* self = reinterpret_cast<ModalDialog*>(lp);
    SetWindowLongPtrA(hwnd, DWLP_USER, lp);
    self->hwnd_ = hwnd;
    return self->on_init_dialog() ? TRUE : FALSE;
  }
  auto* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  return self ? self->dispatch(msg, wp, lp) : FALSE;
}

INT_PTR ModalDialog::dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  INT_PTR result = 0;
  bool handled = false;
  switch (msg) {
    case WM_COMMAND:
      handled = on_command(LOWORD(wp), HIWORD(wp));
      break;
    case WM_PAINT:
      handled = on_paint();
      break;
    case WM_ERASEBKGND:
      handled = on_erase_background(reinterpret_cast<HDC>(wp));
      result = TRUE;
      break;
    case WM_QUERYDRAGICON: {
      // A dialog procedure answers this one through its return value.
      HICON icon = on_query_drag_icon();
      return reinterpret_cast<INT_PTR>(icon);
    }
    case WM_TIMER:
      handled = on_timer(wp);
      break;
    case WM_SYSCOMMAND:
      handled = on_sys_command(wp, lp);
      break;
    case WM_CLOSE:
      handled = on_close();
      break;
    default:
      handled = on_message(msg, wp, lp, result);
      break;
  }
  if (!handled) return FALSE;
  SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
  return msg == WM_ERASEBKGND ? result : TRUE;
}

}  // namespace kestrion::win
