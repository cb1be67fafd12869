// Folder walks on real folders: the copy of a previous installation and the removal of a tree.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "install_test.h"
#include "install/tree.h"
#include "state/memory_state.h"

using namespace kestrion;
using test::list_tree;
using test::put_file;
using test::read_file;

namespace {

const std::string kJou = "乗";  // GBK 0x81 0x5C: its trail byte is '\'

// A tree of files, nested folders, an empty folder and a name with a '\' trail byte.
void make_sample_tree(const std::string& root) {
  put_file(root + "\\x.txt", "x");
  put_file(root + "\\sub\\y.txt", "y");
  put_file(root + "\\sub\\" + kJou + "\\deep\\z.txt", "z");
  CreateDirectoryA((root + "\\empty").c_str(), nullptr);
}

class Walk : public ::testing::Test {
 protected:
  void SetUp() override { test::clear_log(); }
  test::TempFolder tmp{"walk"};
  MemoryRunState state;
};

class Copy : public Walk {
 protected:
  bool copy(const std::string& to, const std::string& from, const std::string& leave_out = {}) {
    return myCopyFileOrDeleteFile(state, to, from, leave_out);
  }
  // The copy from a to d while `held` is open, unshared, by someone else.
  bool copy_while_held(const std::string& held) {
    HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    const bool ok = copy(tmp / "d", tmp / "a");
    CloseHandle(h);
    return ok;
  }
  // The log is the copy's one failure line for `from` => `to`.
  void expect_one_failure(const std::string& from, const std::string& to) {
    const std::string log = test::log_text();
    const std::string line =
        "\r\n升级错误 myCopyFileOrDeleteFile >>>> ：" + from + " => " + to + " ：";
    ASSERT_EQ(log.compare(0, line.size(), line), 0) << log;
    EXPECT_GT(log.size(), line.size());  // the system's text follows
    EXPECT_EQ(log.find("\r\n", 2), std::string::npos) << "one line only";
  }
};

TEST_F(Copy, TreeIntoEmptyDestination) {
  make_sample_tree(tmp / "a");
  ASSERT_TRUE(copy(tmp / "d", tmp / "a"));
  EXPECT_EQ(list_tree(tmp / "d"), list_tree(tmp / "a"));
  EXPECT_EQ(read_file(tmp / ("d\\sub\\" + kJou + "\\deep\\z.txt")), "z");
  EXPECT_EQ(test::log_text(), "");
}

TEST_F(Copy, ReplacesFilesOfTheSameNameAndKeepsTheOthers) {
  put_file(tmp / "a\\x.txt", "new");
  put_file(tmp / "a\\sub\\y.txt", "new y");
  put_file(tmp / "d\\x.txt", "old");
  put_file(tmp / "d\\sub\\mine.txt", "mine");
  ASSERT_TRUE(copy(tmp / "d", tmp / "a"));
  EXPECT_EQ(read_file(tmp / "d\\x.txt"), "new");
  EXPECT_EQ(read_file(tmp / "d\\sub\\y.txt"), "new y");
  EXPECT_EQ(read_file(tmp / "d\\sub\\mine.txt"), "mine");
}

// As the system's own copy: the source's attributes and time of last change come along, and a
// read-only file of the same name gives way.
TEST_F(Copy, AttributesAndTimesComeAlong) {
  put_file(tmp / "a\\ro.txt", "new ro");
  put_file(tmp / "a\\hidden.txt", "h");
  FILETIME when{};
  SYSTEMTIME t = {2021, 3, 0, 4, 5, 6, 7, 0};
  SystemTimeToFileTime(&t, &when);
  HANDLE h = CreateFileA((tmp / "a\\ro.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  SetFileTime(h, nullptr, nullptr, &when);
  CloseHandle(h);
  SetFileAttributesA((tmp / "a\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA((tmp / "a\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  put_file(tmp / "d\\ro.txt", "old ro");
  SetFileAttributesA((tmp / "d\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(copy(tmp / "d", tmp / "a")) << test::log_text();
  EXPECT_EQ(read_file(tmp / "d\\ro.txt"), "new ro");
  EXPECT_TRUE(GetFileAttributesA((tmp / "d\\ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(GetFileAttributesA((tmp / "d\\hidden.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  WIN32_FILE_ATTRIBUTE_DATA a{};
  GetFileAttributesExA((tmp / "d\\ro.txt").c_str(), GetFileExInfoStandard, &a);
  EXPECT_EQ(CompareFileTime(&a.ftLastWriteTime, &when), 0);
}

// A large file keeps the window served by time all through its copy.
TEST_F(Copy, TheWindowIsServedByTimeWhileALargeFileCopies) {
  constexpr LONG kBytes = 128 << 20;
  test::make_folders(tmp / "a");
  HANDLE h = CreateFileA((tmp / "a\\large.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                         CREATE_NEW, 0, nullptr);
  std::vector<char> block(1 << 20, 'k');
  DWORD n = 0;
  for (LONG i = 0; i < kBytes / (1 << 20); ++i) WriteFile(h, block.data(), 1 << 20, &n, nullptr);
  CloseHandle(h);
  test::Gaps gaps;
  state.on_pump = [&] { gaps.tick(); };
  ASSERT_TRUE(copy(tmp / "d", tmp / "a"));
  EXPECT_LE(gaps.stop(), 100u);
  WIN32_FILE_ATTRIBUTE_DATA a{};
  GetFileAttributesExA((tmp / "d\\large.bin").c_str(), GetFileExInfoStandard, &a);
  EXPECT_EQ(a.nFileSizeLow, static_cast<DWORD>(kBytes));
}

TEST_F(Copy, NothingToCopyIsASuccess) {
  put_file(tmp / "same\\x.txt", "x");
  CreateDirectoryA((tmp / "empty").c_str(), nullptr);
  EXPECT_TRUE(copy(tmp / "d1", tmp / "missing"));
  EXPECT_TRUE(test::folder_exists(tmp / "d1"));  // made, as for any source
  EXPECT_TRUE(copy(tmp / "d2", tmp / "empty"));
  EXPECT_EQ(list_tree(tmp / "d2"), std::vector<std::string>{});
  EXPECT_TRUE(test::folder_exists(tmp / "d2"));
  // An empty source would name the drive's root: nothing happens at all.
  EXPECT_TRUE(copy(tmp / "d3", ""));
  EXPECT_FALSE(test::folder_exists(tmp / "d3"));
  // The same folder, spelled differently: a reinstall of the version that is installed.
  std::string upper = tmp / "SAME\\";
  EXPECT_TRUE(copy(upper, tmp / "same"));
  EXPECT_EQ(read_file(tmp / "same\\x.txt"), "x");
  EXPECT_EQ(test::log_text(), "");
}

TEST_F(Copy, DestinationInsideTheSourceIsNotCopiedIntoItself) {
  put_file(tmp / "a\\x.txt", "x");
  put_file(tmp / "a\\sub\\y.txt", "y");
  ASSERT_TRUE(copy(tmp / "a\\new", tmp / "a"));
  EXPECT_EQ(list_tree(tmp / "a\\new"),
            (std::vector<std::string>{"sub\\", "sub\\y.txt", "x.txt"}));
}

TEST_F(Copy, FilesThatCannotBeCopiedAreLoggedAndFailTheCopy) {
  put_file(tmp / "a\\locked.txt", "l");
  put_file(tmp / "a\\sub\\held.txt", "h");
  put_file(tmp / "a\\sub\\z.txt", "z");
  put_file(tmp / "a\\w.txt", "w");
  EXPECT_FALSE(copy_while_held(tmp / "a\\sub\\held.txt"));
  // The rest of the walk went on; the failure deep in the tree reached the top.
  EXPECT_EQ(read_file(tmp / "d\\w.txt"), "w");
  EXPECT_EQ(read_file(tmp / "d\\sub\\z.txt"), "z");
  EXPECT_EQ(read_file(tmp / "d\\locked.txt"), "l");
  EXPECT_FALSE(test::file_exists(tmp / "d\\sub\\held.txt"));
  expect_one_failure(tmp / "a\\sub\\held.txt", tmp / "d\\sub\\held.txt");
}

// The files are written on a thread of their own: a file of many pieces arrives whole and in
// order, and a file whose place is held by another program fails alone, reported as the copy's
// own failures are.
TEST_F(Copy, LargeFilesArriveWholeAndAFileThatCannotBeWrittenFailsAlone) {
  std::string large(3 * 256 * 1024 + 5, '\0');
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 131 / 7);
  put_file(tmp / "a\\large.bin", large);
  put_file(tmp / "a\\held.txt", "new");
  put_file(tmp / "a\\z.txt", "z");
  put_file(tmp / "d\\held.txt", "old");
  EXPECT_FALSE(copy_while_held(tmp / "d\\held.txt"));
  EXPECT_EQ(read_file(tmp / "d\\large.bin"), large);
  EXPECT_EQ(read_file(tmp / "d\\z.txt"), "z");
  EXPECT_EQ(read_file(tmp / "d\\held.txt"), "old");
  expect_one_failure(tmp / "a\\held.txt", tmp / "d\\held.txt");
}

TEST_F(Copy, DestinationWhoseParentIsMissing) {
  put_file(tmp / "a\\x.txt", "x");
  EXPECT_FALSE(copy(tmp / "no\\such\\d", tmp / "a"));
  EXPECT_FALSE(test::folder_exists(tmp / "no"));
  EXPECT_NE(test::log_text().find(tmp / "a\\x.txt"), std::string::npos);
}

TEST_F(Copy, LeavesOutTheStalePackageOfThePreviousInstallation) {
  put_file(tmp / "prev\\TILLWRIGHT.zip", "stale");
  put_file(tmp / "prev\\app\\TILLWRIGHT.zip", "inside the app: copied");
  put_file(tmp / "prev\\posconfig.json", "{}");
  put_file(tmp / "new\\TILLWRIGHT.zip", "fresh");
  ASSERT_TRUE(copy(tmp / "new", tmp / "prev", "TILLWRIGHT.zip"));
  EXPECT_EQ(read_file(tmp / "new\\TILLWRIGHT.zip"), "fresh");
  EXPECT_EQ(read_file(tmp / "new\\app\\TILLWRIGHT.zip"), "inside the app: copied");
  EXPECT_EQ(read_file(tmp / "new\\posconfig.json"), "{}");
}

using DeleteTree = Walk;

TEST_F(DeleteTree, EmptiesNestedFoldersAndKeepsTheFolder) {
  make_sample_tree(tmp / "v");
  put_file(tmp / "v\\TILLWRIGHT.zip", "p");
  delete_tree(state, tmp / "v");
  EXPECT_TRUE(test::folder_exists(tmp / "v"));
  EXPECT_EQ(list_tree(tmp / "v"), std::vector<std::string>{});
}

TEST_F(DeleteTree, WhatCannotBeDeletedStaysWithTheFoldersAboveIt) {
  put_file(tmp / "v\\keep\\ro.txt", "r");
  put_file(tmp / "v\\gone\\x.txt", "x");
  SetFileAttributesA((tmp / "v\\keep\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  delete_tree(state, tmp / "v");
  EXPECT_EQ(list_tree(tmp / "v"), (std::vector<std::string>{"keep\\", "keep\\ro.txt"}));
}

TEST_F(DeleteTree, MissingFolderDoesNothing) {
  delete_tree(state, tmp / "missing");
  EXPECT_FALSE(test::folder_exists(tmp / "missing"));
}

}  // namespace
