// The real program shows dialog 102 with the texts of the user's language.
#include <gtest/gtest.h>

#include <windows.h>

#include "state/ids.h"
#include "support.h"

using namespace kestrion;

namespace {

struct Shown {
  std::string title, service_label, folder_label, progress_label, run, browse, status;
};

Shown show_dialog() {
  test::TempFolder dir("dlg");
  std::string exe = dir / "setup.exe";
  CopyFileA(test::program_path().c_str(), exe.c_str(), FALSE);
  test::Process p("\"" + exe + "\"", dir.path());
  HWND d = test::wait_window(p.pid(), "#32770", nullptr, 20000);
  if (!d) return {};
  Sleep(300);
  Shown s{test::window_text(d),
          test::control_text(d, IDC_SERVICE_LABEL),
          test::control_text(d, IDC_FOLDER_LABEL),
          test::control_text(d, IDC_PROGRESS_LABEL),
          test::control_text(d, IDC_RUN),
          test::control_text(d, IDC_BROWSE),
          test::control_text(d, IDC_STATUS)};
  // Hidden edits exist and are never shown.
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_PATH_PREFIX)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, IDC_SERVICE_ADDRESS)));
  p.kill();
  return s;
}

INT_PTR CALLBACK no_handling(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Every label of the real program's dialog, measured with the dialog's font, takes at most 85%
// of its control's width, so it shows whole (Wine's substitute fonts are not Windows' own: a
// margin stays). The font comes from the same template made in this process, since a font
// handle does not cross processes; texts and widths are the program's own.
void expect_labels_fit() {
  test::TempFolder dir("fit");
  const std::string exe = dir / "setup.exe";
  CopyFileA(test::program_path().c_str(), exe.c_str(), FALSE);
  test::Process p("\"" + exe + "\"", dir.path());
  HWND shown = test::wait_window(p.pid(), "#32770", nullptr, 20000);
  ASSERT_TRUE(shown);
  Sleep(300);

  HWND here = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KESTRION),
                                 nullptr, no_handling, 0);
  ASSERT_TRUE(here);
  HDC dc = GetDC(here);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(here, WM_GETFONT, 0, 0)));
  for (int id : {IDC_SERVICE_LABEL, IDC_FOLDER_LABEL, IDC_PROGRESS_LABEL, IDC_RUN, IDC_BROWSE,
                 IDC_STATUS}) {
    const std::string text = test::control_text(shown, id);
    EXPECT_FALSE(text.empty()) << id;
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    RECT control{};
    GetClientRect(GetDlgItem(shown, id), &control);
    EXPECT_LE(size.cx * 100, control.right * 85)
        << "control " << id << " \"" << text << "\": " << size.cx << " of " << control.right
        << " pixels";
  }
  ReleaseDC(here, dc);
  DestroyWindow(here);
  p.kill();
}

TEST(Dialog, ShowsTheChineseTexts) {
  if (GetACP() != 936) GTEST_SKIP();
  Shown s = show_dialog();
  EXPECT_EQ(s.title, "Lumivar-POS安装程序");
  EXPECT_EQ(s.service_label, "服务接口地址：");
  EXPECT_EQ(s.folder_label, "安装路径：");
  EXPECT_EQ(s.progress_label, "下载安装进度：");
  EXPECT_EQ(s.run, "运行");
  EXPECT_EQ(s.browse, "浏览");
  EXPECT_EQ(s.status, "下载安装程序：");
}

TEST(Dialog, ChineseLabelsFit) {
  if (GetACP() != 936) GTEST_SKIP();
  expect_labels_fit();
}

TEST(English, LabelsFit) {
  if (GetACP() != 1252) GTEST_SKIP() << "needs the English locale";
  expect_labels_fit();
}

TEST(English, DialogShowsTheEnglishTexts) {
  if (GetACP() != 1252) GTEST_SKIP() << "needs the English locale";
  Shown s = show_dialog();
  EXPECT_EQ(s.title, "Lumivar-POS Install the program");
  EXPECT_EQ(s.service_label, "Service interface address:");
  EXPECT_EQ(s.folder_label, "installation path:");
  EXPECT_EQ(s.progress_label, "installation progress:");
  EXPECT_EQ(s.run, "Run");
  EXPECT_EQ(s.browse, "Browse");
  EXPECT_EQ(s.status, "Download the installer:");
}

}  // namespace
