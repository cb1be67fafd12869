// One running instance per program file, shown on the real program.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "support.h"

using namespace kestrion;

namespace {

constexpr DWORD kWait = 20000;

// A copy of kestrion.exe under the given name in a folder of its own.
std::string copy_program(const test::TempFolder& folder, const std::string& name) {
  std::string path = folder / name;
  EXPECT_TRUE(CopyFileA(test::program_path().c_str(), path.c_str(), FALSE));
  return path;
}

HWND wait_dialog(const test::Process& p) { return test::wait_window(p.pid(), "#32770", nullptr, kWait); }

void expect_refused(test::Process& p) {
  test::MessageBoxInfo box = test::wait_message_box(p.pid(), kWait);
  ASSERT_TRUE(box.hwnd) << "no box";
  EXPECT_EQ(box.caption, "Warning");
  EXPECT_EQ(box.text, "已经启动一个应用程序");
  test::answer(box, IDOK);
  EXPECT_EQ(p.wait(kWait), 0u);
}

TEST(Instance, SecondStartIsRefusedAndTheFirstGoesOn) {
  test::TempFolder dir("inst");
  std::string exe = copy_program(dir, "setup(abc).exe");
  test::Process first("\"" + exe + "\"", dir.path());
  HWND dialog = wait_dialog(first);
  ASSERT_TRUE(dialog);
  {
    test::Process second("\"" + exe + "\"", dir.path());
    expect_refused(second);
  }
  {  // the refused start did not count: a third one is refused too
    test::Process third("\"" + exe + "\"", dir.path());
    expect_refused(third);
  }
  EXPECT_TRUE(first.running());
  EXPECT_TRUE(IsWindow(dialog));

  // A copy under another path is another program file.
  test::TempFolder other("inst2");
  std::string copy = copy_program(other, "setup(abc).exe");
  test::Process elsewhere("\"" + copy + "\"", other.path());
  EXPECT_TRUE(wait_dialog(elsewhere));
  EXPECT_TRUE(test::wait_message_box(elsewhere.pid(), 500).hwnd == nullptr);
  first.kill();
  elsewhere.kill();

  // Once every process of the file has ended, it starts normally again.
  test::Process again("\"" + exe + "\"", dir.path());
  EXPECT_TRUE(wait_dialog(again));
  EXPECT_TRUE(test::wait_message_box(again.pid(), 500).hwnd == nullptr);
}

TEST(Instance, StartsAtTheSameInstantLeaveExactlyOneSurvivor) {
  test::TempFolder dir("race");
  std::string exe = copy_program(dir, "kestrion.exe");
  constexpr int kCopies = 6;
  std::vector<std::unique_ptr<test::Process>> starts;
  for (int i = 0; i < kCopies; ++i)
    starts.push_back(std::make_unique<test::Process>("\"" + exe + "\"", dir.path()));

  int dialogs = 0, refused = 0;
  const DWORD start = GetTickCount();
  std::vector<bool> settled(kCopies, false);
  while ((dialogs + refused < kCopies) && GetTickCount() - start < 3 * kWait) {
    for (int i = 0; i < kCopies; ++i) {
      if (settled[i]) continue;
      test::MessageBoxInfo box = test::wait_message_box(starts[i]->pid(), 0);
      if (box.hwnd) {
        EXPECT_EQ(box.text, "已经启动一个应用程序");
        test::answer(box, IDOK);
        settled[i] = true;
        ++refused;
        continue;
      }
      for (HWND h : test::windows_of(starts[i]->pid(), "#32770"))
        if (GetDlgItem(h, 1000)) {
          settled[i] = true;
          ++dialogs;
          break;
        }
    }
    Sleep(50);
  }
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(refused, kCopies - 1);
}

}  // namespace
