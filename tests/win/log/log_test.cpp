// log\log.txt beside the program: its exact bytes, a log past 4 GB, a program name with a
// trail byte that is a backslash, and a log that cannot be written.
#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include "log/log.h"
#include "support.h"
#include "win/app.h"

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

// Entries go to the end of a log past 4 GB (a sparse file; a file pointer moved with
// SetFilePointer alone cannot get there).
TEST_F(Log, AppendsPastFourGigabytes) {
  CreateDirectoryA(folder().c_str(), nullptr);
  constexpr LONGLONG kSize = (1LL << 32) + 5;
  {
    HANDLE f = CreateFileA(file().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD unused = 0;
    DeviceIoControl(f, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = kSize;
    EXPECT_TRUE(SetFilePointerEx(f, end, nullptr, FILE_BEGIN) && SetEndOfFile(f));
    CloseHandle(f);
  }
  write_log("A");
  write_log("B");
  HANDLE f = CreateFileA(file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size{}, at{};
  GetFileSizeEx(f, &size);
  at.QuadPart = kSize;
  char tail[16] = {};
  DWORD read = 0;
  SetFilePointerEx(f, at, nullptr, FILE_BEGIN);
  ReadFile(f, tail, sizeof tail, &read, nullptr);
  CloseHandle(f);
  EXPECT_EQ(size.QuadPart, kSize + 6);
  EXPECT_EQ(std::string(tail, read), "\r\nA\r\nB");
}

// A program whose name holds 乗 (GBK 0x81 0x5C: its trail byte is a backslash) keeps its log
// beside it: this test program, copied under such a name, writes one entry there.
TEST_F(Log, ProgramNamedWithATrailByteBackslashLogsBesideItself) {
  if (GetACP() != 936) GTEST_SKIP() << "needs code page 936";
  test::TempFolder dir("name");
  const std::string copy = dir / "收银乗.exe";
  ASSERT_TRUE(CopyFileA(win::module_path().c_str(), copy.c_str(), FALSE));
  SetEnvironmentVariableA("KESTRION_LOG_ENTRY", "the entry");
  test::Process child("\"" + copy + "\" --gtest_filter=LogEntry.*", dir.path());
  SetEnvironmentVariableA("KESTRION_LOG_ENTRY", nullptr);
  EXPECT_EQ(child.wait(30000), 0u);
  EXPECT_EQ(test::read_file(dir / "log\\log.txt"), "\r\nthe entry");
}

// The child's part of the test above: its own folder, and one entry.
TEST(LogEntry, FromTheEnvironment) {
  const std::string entry = test::env("KESTRION_LOG_ENTRY");
  if (entry.empty()) GTEST_SKIP() << "started by the test above";
  const std::string path = win::module_path();
  EXPECT_EQ(exe_folder(), path.substr(0, path.size() - std::string("收银乗.exe").size()));
  write_log(entry);
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
