// The platform the program meets under Wine: code page, string table, errors, pumping.
#include <gtest/gtest.h>

#include <windows.h>

#include "state/memory_state.h"
#include "support.h"
#include "text/codepage.h"
#include "win/app.h"
#include "win/errors.h"
#include "win/path_limit.h"

using namespace kestrion;

namespace {
bool chinese() { return GetACP() == 936; }
}  // namespace

TEST(Platform, AnsiCodePageIs936) {
  if (test::env("KESTRION_LOCALE").rfind("en_", 0) == 0) GTEST_SKIP() << "English run";
  EXPECT_EQ(GetACP(), 936u);
}

TEST(Platform, LeadBytesComeFromTheSystem) {
  if (!chinese()) GTEST_SKIP();
  EXPECT_TRUE(text::is_lead_byte(0x81));
  EXPECT_FALSE(text::is_lead_byte('\\'));
  EXPECT_EQ(text::find_char("\x81\x5c\\", '\\'), 2);
}

TEST(Strings, ChineseTableByteForByte) {
  if (!chinese()) GTEST_SKIP();
  EXPECT_EQ(win::load_string(IDS_TITLE_INSTALL), "Lumivar-POS安装程序");
  EXPECT_EQ(win::load_string(IDS_CANNOT_EXIT), "程序正在运行过程中不能退出！");
  EXPECT_EQ(win::load_string(IDS_NEW_FOLDER_PROMPT),
            "发现安装过此环境的之前版本,但现在的安装目录与之前不一样，\n确定要在新的目录下安装?\n之前安装目录");
  EXPECT_EQ(win::load_string(IDS_SELECT_PATH), "选择路径");
  // Texts of our own, which the tests of their operations compare with the table.
  EXPECT_EQ(path_too_long_text(), "路径超过259字节，无法使用：");
  EXPECT_EQ(win::load_string(IDS_BAD_SHORTCUT_NAME), "快捷方式名称无效：");
}

TEST(English, StringTableByteForByte) {
  if (GetACP() != 1252) GTEST_SKIP() << "needs the English locale";
  EXPECT_EQ(win::load_string(IDS_TITLE_INSTALL), "Lumivar-POS Install the program");
  EXPECT_EQ(win::load_string(IDS_NEW_FOLDER_PROMPT),
            "Found the previous version of this environment installed, but not the same as "
            "before the installation, n sure to install in a new directory? N before the "
            "installation directory:");
}

TEST(Errors, CarryTheSystemsText) {
  win::FileError file(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(file.code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(file.text().empty());
  EXPECT_NE(file.text().back(), '\n');
  // WinINet's own words in the system's language, the line end trimmed ("尝试连接到服务器失败。"
  // for 12029 in Chinese).
  LoadLibraryA("wininet.dll");
  EXPECT_EQ(win::InternetError(ERROR_INTERNET_CANNOT_CONNECT).text(),
            test::wininet_text(ERROR_INTERNET_CANNOT_CONNECT));
  EXPECT_EQ(win::InternetError(ERROR_INTERNET_NAME_NOT_RESOLVED).text(),
            test::wininet_text(ERROR_INTERNET_NAME_NOT_RESOLVED));
  EXPECT_NE(win::InternetError(ERROR_INTERNET_CANNOT_CONNECT).text().back(), '\n');
}

TEST(App, NameIsTheFileBaseName) { EXPECT_EQ(win::app_name(), "win_win"); }

// pump_messages on the thread's real queue: at most `count` messages leave it.
TEST(PumpMessages, DrainsAtMostCountRealMessages) {
  struct QueueState : MemoryRunState {
    void pump_one() override { win::pump_one_message(); }
  } state;
  MSG m;
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);  // make sure the thread has a queue
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
  }
  for (int i = 0; i < 15; ++i) PostThreadMessageA(GetCurrentThreadId(), WM_APP + 1, i, 0);
  pump_messages(state, 10, 0);
  int left = 0;
  while (PeekMessageA(&m, nullptr, WM_APP + 1, WM_APP + 1, PM_REMOVE)) ++left;
  EXPECT_EQ(left, 5);
  EXPECT_EQ(state.progress_pos(), 0);
}
