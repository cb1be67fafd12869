// log\log.txt beside the program: its exact bytes, and a log that cannot be written.
#include <gtest/gtest.h>

#include <windows.h>

#include "log/log.h"
#include "support.h"

using namespace kestrion;

namespace {

class Log : public ::testing::Test {
 protected:
  void SetUp() override { test::remove_tree(folder()); }
  void TearDown() override { test::remove_tree(folder()); }
  static std::string folder() { return exe_folder() + "log"; }
  static std::string file() { return folder() + "\\log.txt"; }
};

TEST_F(Log, ExeFolderEndsWithBackslash) {
  std::string f = exe_folder();
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(f.back(), '\\');
  EXPECT_TRUE(test::file_exists(f + "win_log.exe"));
}

TEST_F(Log, ByteLayout) {
  write_log("A");
  EXPECT_EQ(test::read_file(file()), "\r\nA");
  write_log("");
  write_log("门店 " "\x81\x5c" " >>>> ：v");  // GBK bytes, one with a backslash trail byte
  write_log("one\ntwo\n");
  EXPECT_EQ(test::read_file(file()),
            "\r\nA\r\n\r\n门店 \x81\x5c >>>> ：v\r\none\r\ntwo\r\n");
}

TEST_F(Log, AppendsToExistingContent) {
  CreateDirectoryA(folder().c_str(), nullptr);
  test::write_file(file(), "X");
  write_log("A");
  write_log("B");
  EXPECT_EQ(test::read_file(file()), "X\r\nA\r\nB");
}

TEST_F(Log, HeldFileDropsTheLineAfterAShortWait) {
  write_log("first");
  HANDLE held = CreateFileA(file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  DWORD start = GetTickCount();
  write_log("dropped");
  DWORD took = GetTickCount() - start;
  CloseHandle(held);
  EXPECT_LT(took, 1000u);
  write_log("second");
  EXPECT_EQ(test::read_file(file()), "\r\nfirst\r\nsecond");
}

TEST_F(Log, LogFolderThatCannotBeMadeIsIgnored) {
  test::write_file(folder(), "a file where the folder should be");
  write_log("lost");  // returns normally
  EXPECT_EQ(test::read_file(folder()), "a file where the folder should be");
  DeleteFileA(folder().c_str());
}

}  // namespace
