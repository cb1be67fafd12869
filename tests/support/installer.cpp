#include "installer.h"

#include <shlobj.h>

#include <stdexcept>

namespace kestrion::test {

Installer::Installer(const std::string& folder, const std::string& file_name)
    : folder_(folder), path_(folder + "\\" + file_name) {
  if (!CopyFileA(program_path().c_str(), path_.c_str(), FALSE))
    throw std::runtime_error("cannot copy the program to " + path_);
}

Installer::Exit Installer::wait_exit_watching(DWORD ms) {
  Exit exit{STILL_ACTIVE, ""};
  const DWORD start = GetTickCount();
  do {
    for (HWND h : windows_of(process_->pid(), nullptr)) {
      if (!exit.shown.empty()) break;
      char cls[64] = {};
      GetClassNameA(h, cls, sizeof cls);
      exit.shown = std::string(cls) + " \"" + window_text(h) + "\"";
    }
    exit.code = process_->wait(10);
  } while (exit.code == STILL_ACTIVE && GetTickCount() - start < ms);
  return exit;
}

void Installer::start(const std::vector<std::string>& args, bool expect_dialog) {
  std::string command = "\"" + path_ + "\"";
  for (const auto& a : args) command += " \"" + a + "\"";
  process_ = std::make_unique<Process>(command, folder_);
  if (!expect_dialog) return;
  const DWORD start = GetTickCount();
  while (!dialog_ && GetTickCount() - start < kStartMs) {
    for (HWND h : windows_of(process_->pid(), "#32770"))
      if (GetDlgItem(h, IDC_RUN)) dialog_ = h;
    if (!dialog_) Sleep(50);
  }
}

void Installer::start_line(const std::string& arguments) {
  process_ = std::make_unique<Process>("\"" + path_ + "\" " + arguments, folder_);
}

MessageBoxInfo Installer::answer_box(int button, DWORD ms) {
  MessageBoxInfo box = wait_box(ms);
  if (box.hwnd) answer(box, button);
  // The box is gone before the next one is looked for.
  for (int i = 0; i < 100 && box.hwnd && IsWindow(box.hwnd); ++i) Sleep(20);
  return box;
}

bool Installer::wait_failed(const std::string& status, DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    if (enabled(IDC_RUN) && text(IDC_STATUS) == status) return true;
    Sleep(50);
  } while (GetTickCount() - start < ms);
  return false;
}

std::string Installer::app_name() const {
  std::string name = path_.substr(path_.find_last_of('\\') + 1);
  return name.substr(0, name.find_last_of('.'));
}

namespace {
std::string shell_folder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
  return path;
}
}  // namespace

std::string appdata_folder() { return shell_folder(CSIDL_APPDATA); }
std::string desktop_folder() { return shell_folder(CSIDL_DESKTOPDIRECTORY); }

bool save_window_bitmap(HWND window, const std::string& path) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  return save_screen_bitmap(r, path);
}

bool save_screen_bitmap(const RECT& r, const std::string& path) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;
  info.biPlanes = 1;
  info.biBitCount = 24;
  const DWORD row = ((w * 3 + 3) / 4) * 4;
  std::string pixels(row * h, '\0');
  GetDIBits(mem, bmp, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  bytes += pixels;
  write_file(path, bytes);
  return true;
}

}  // namespace kestrion::test
