// The package archive on archives made by Python's zipfile and Info-ZIP zip (make_archives.py):
// the tree it unpacks, names, attributes and times, and every way a package can be broken.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "install_test.h"
#include "install/archive.h"
#include "state/memory_state.h"
#include "text/path.h"

using namespace kestrion;
using test::list_tree;
using test::put_file;
using test::read_file;
using Tree = std::vector<std::string>;

namespace {

std::string archive(const std::string& name) {
  return test::build_folder() + "\\tests\\win\\install\\archives\\" + name;
}

// A version folder deep inside a temporary root, so that whatever climbs out shows in the root.
class Extract : public ::testing::Test {
 protected:
  void SetUp() override {
    test::clear_log();
    test::make_folders(version);
  }
  bool unpack(const std::string& name) {
    if (!name.empty()) CopyFileA(archive(name).c_str(), package.c_str(), FALSE);
    return extract_package(state, package, version);
  }
  // The unpacked tree, without the package file.
  Tree unpacked() {
    Tree t = list_tree(version);
    t.erase(std::remove(t.begin(), t.end(), "TILLWRIGHT.zip"), t.end());
    return t;
  }
  static std::uint64_t ticks(const FILETIME& t) {
    return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  }
  static std::uint64_t unix_ticks(std::int64_t seconds) {
    return std::uint64_t(seconds + 11644473600) * 10000000;
  }
  static FILETIME times(const std::string& path, int which) {
    FILETIME t[3] = {};
    HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    GetFileTime(h, &t[0], &t[1], &t[2]);
    CloseHandle(h);
    return t[which];
  }

  test::TempFolder tmp{"zip"};
  const std::string version = tmp / "r\\h\\1_0";
  const std::string package = version + "\\TILLWRIGHT.zip";
  MemoryRunState state;
};

TEST_F(Extract, ThePackageTree) {
  ASSERT_TRUE(unpack("example.zip"));
  EXPECT_EQ(unpacked(), (Tree{"app\\", "app\\TILLWRIGHT.exe", "app\\lib\\", "app\\lib\\x.dll"}));
  EXPECT_EQ(read_file(version + "\\app\\TILLWRIGHT.exe"), "new exe");
  // No extended timestamp: the MS-DOS time, read as local time.
  SYSTEMTIME local = {2020, 1, 0, 2, 3, 4, 6, 0}, utc;
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
  FILETIME expected;
  SystemTimeToFileTime(&utc, &expected);
  EXPECT_EQ(ticks(times(version + "\\app\\lib\\x.dll", 2)), ticks(expected));
  EXPECT_EQ(test::log_text(), "");
}

TEST_F(Extract, FoldersWithoutEntriesOfTheirOwn) {
  ASSERT_TRUE(unpack("nodirs.zip"));
  EXPECT_EQ(unpacked(), (Tree{"app\\", "app\\a\\", "app\\a\\b\\", "app\\a\\b\\c.txt",
                              "app\\big.bin", "top.txt"}));
  EXPECT_EQ(read_file(version + "\\app\\big.bin").size(), 100000u);
}

// A long entry keeps the window served by time: never 100 ms without a pump, and not a pump per
// buffer either (each costs as much as a buffer of work).
TEST_F(Extract, TheWindowIsServedByTimeWhileALargeEntryUnpacks) {
  test::Gaps gaps;
  state.on_pump = [&] { gaps.tick(); };
  const DWORD start = GetTickCount();
  ASSERT_TRUE(unpack("large.zip")) << test::log_text();
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_LE(gaps.stop(), 100u);
  EXPECT_LE(gaps.ticks(), static_cast<int>(elapsed / 5 + 10)) << elapsed << " ms";
  WIN32_FILE_ATTRIBUTE_DATA a{};
  ASSERT_TRUE(GetFileAttributesExA((version + "\\app\\large.bin").c_str(), GetFileExInfoStandard, &a));
  EXPECT_EQ(a.nFileSizeLow, 96u << 20);
}

TEST_F(Extract, UnixEntriesKeepModesAndExtendedTimes) {
  ASSERT_TRUE(unpack("unix.zip"));
  EXPECT_EQ(unpacked(), (Tree{"app\\", "app\\empty\\", "app\\ro.txt", "app\\rw.txt"}));
  const DWORD ro = GetFileAttributesA((version + "\\app\\ro.txt").c_str());
  const DWORD rw = GetFileAttributesA((version + "\\app\\rw.txt").c_str());
  EXPECT_TRUE(ro & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(rw & FILE_ATTRIBUTE_READONLY);
  // The UT field's times (odd seconds: an MS-DOS time cannot hold them).
  EXPECT_EQ(ticks(times(version + "\\app\\rw.txt", 2)), unix_ticks(1614834367));
  EXPECT_EQ(ticks(times(version + "\\app\\ro.txt", 2)), unix_ticks(1614834367));
  EXPECT_EQ(ticks(times(version + "\\app\\rw.txt", 1)), unix_ticks(1640995200));
}

TEST_F(Extract, OverAnExistingInstallation) {
  put_file(version + "\\app\\TILLWRIGHT.exe", "old exe");
  SetFileAttributesA((version + "\\app\\TILLWRIGHT.exe").c_str(), FILE_ATTRIBUTE_READONLY);
  put_file(version + "\\app\\keep.txt", "mine");
  put_file(version + "\\posconfig.json", "{}");
  ASSERT_TRUE(unpack("example.zip"));
  EXPECT_EQ(read_file(version + "\\app\\TILLWRIGHT.exe"), "new exe");
  EXPECT_EQ(read_file(version + "\\app\\keep.txt"), "mine");
  EXPECT_EQ(read_file(version + "\\posconfig.json"), "{}");
  EXPECT_EQ(unpacked().size(), 6u);
}

TEST_F(Extract, NamesThatClimbLandInsideTheVersionFolder) {
  ASSERT_TRUE(unpack("slip.zip"));
  EXPECT_EQ(unpacked(),
            (Tree{"abs.txt", "stream", "u.txt", "v.txt", "w.txt", "x.txt", "y.txt", "z.txt"}))
      << "the entries above, stored as ../../x.txt, C:\\y.txt, a/../../z.txt, ..\\w.txt, ...";
  EXPECT_EQ(read_file(version + "\\x.txt"), "1");
  EXPECT_EQ(read_file(version + "\\u.txt"), "8");
  for (const std::string& p : list_tree(tmp.path()))
    EXPECT_TRUE(p.rfind("r\\h\\1_0\\", 0) == 0 || p == "r\\" || p == "r\\h\\") << p;
}

TEST_F(Extract, ChineseNamesRawAndFlaggedAsUtf8) {
  ASSERT_TRUE(unpack("gbk.zip"));
  EXPECT_EQ(read_file(version + "\\app\\中文\\说明.txt"), "gbk name");
  EXPECT_EQ(read_file(version + "\\app\\乗.txt"), "jou");
  test::remove_tree(version + "\\app");
  ASSERT_TRUE(unpack("utf8.zip"));
  EXPECT_EQ(unpacked(), (Tree{"app\\", "app\\中文\\", "app\\中文\\说明.txt"}));
}

TEST_F(Extract, EmptyArchiveAndAFolderNameWithoutTheFolderBit) {
  EXPECT_TRUE(unpack("empty.zip")) << test::log_text();
  EXPECT_EQ(unpacked(), Tree{});
  EXPECT_TRUE(unpack("noflag_folder.zip"));
  EXPECT_EQ(unpacked(), (Tree{"app\\", "app\\a.txt"}));
}

// A broken package fails and names its reason in the log. The broken entry leaves no file under
// its name (the stage it was unpacked into goes as a whole); the files of other entries stay.
TEST_F(Extract, BrokenPackagesFailAndLeaveNoHalfWrittenFile) {
  const struct {
    std::string archive, reason;
    bool exe_stays;  // the broken entry is not the client's file, or nothing was written
  } cases[] = {
      {"crc.zip", "CRC 校验失败", false},
      {"inflate.zip", "数据已损坏，无法解压", false},
      {"short.zip", "数据已损坏，无法解压", false},
      {"encrypted.zip", "条目已加密", true},
      {"notzip.zip", "无法作为 zip 压缩包打开", true},
      {"device.zip", "名称是系统设备名", true},
      {"", "无法作为 zip 压缩包打开", true},  // no package file at all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    test::clear_log();
    test::remove_tree(version);
    test::make_folders(version);
    put_file(version + "\\app\\TILLWRIGHT.exe", "installed");
    put_file(version + "\\app\\rw.txt", "installed");
    EXPECT_FALSE(unpack(c.archive));
    EXPECT_EQ(read_file(version + "\\app\\TILLWRIGHT.exe"), c.exe_stays ? "installed" : "");
    EXPECT_EQ(test::file_exists(version + "\\app\\TILLWRIGHT.exe"), c.exe_stays);
    EXPECT_EQ(read_file(version + "\\app\\rw.txt"), "installed");
    for (const std::string& p : unpacked())
      EXPECT_EQ(p.find(".tmp"), std::string::npos) << "left behind: " << p;
    const std::string log = test::log_text();
    EXPECT_EQ(log.compare(0, 2 + 21, "\r\n解压安装包失败》》》 "), 0) << log;
    EXPECT_NE(log.find(c.reason), std::string::npos) << log;
  }
}

// Files are written on a thread of their own while later entries inflate. A file that cannot
// be made fails the package under its own name, even when later entries succeed or fail in
// their own way first.
TEST_F(Extract, AFileThatCannotBeMadeIsTheFailureReported) {
  const struct {
    std::string archive, held, later;  // the file held open without sharing; a later entry
  } cases[] = {
      {"example.zip", "app\\TILLWRIGHT.exe", "app/lib/x.dll"},  // the later entry unpacks
      {"crc.zip", "app\\first.txt", "app/TILLWRIGHT.exe"},      // the later one is broken
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    test::clear_log();
    test::remove_tree(version);
    put_file(version + "\\" + c.held, "in the way");
    HANDLE held = CreateFileA((version + "\\" + c.held).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const bool ok = unpack(c.archive);
    CloseHandle(held);
    EXPECT_FALSE(ok);
    EXPECT_EQ(read_file(version + "\\" + c.held), "in the way");
    std::string name = c.held;
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::string line = "\r\n解压安装包失败》》》 " + name + " ：无法创建文件或文件夹：";
    const std::string log = test::log_text();
    EXPECT_EQ(log.compare(0, line.size(), line), 0) << log;
    EXPECT_EQ(log.find(c.later), std::string::npos) << log;
  }
}

// A file is written straight to its place: a deep folder is fine as long as the file's own path
// fits the system's path limit, and one byte more is refused as too long.
TEST(ZipReader, DeepFoldersUpToThePathLimit) {
  using namespace kestrion::zip;
  test::TempFolder temp("deep");
  for (size_t target_bytes : {size_t{252}, text::kMaxPathBytes, text::kMaxPathBytes + 1}) {
    SCOPED_TRACE(target_bytes);
    // The entry app/lib/x.dll goes into base\app\lib\ (14 bytes after the base).
    const std::string base =
        temp.path() + "\\" + std::string(target_bytes - temp.path().size() - 15, 'd');
    test::make_folders(base);
    std::optional<ZipReader> zip = ZipReader::open(archive("example.zip"));
    ASSERT_TRUE(zip);
    ASSERT_EQ(zip->set_base_folder(base), ZipResult::ok);
    const std::string target = base + "\\app\\lib\\x.dll";
    ASSERT_EQ(target.size(), target_bytes);
    ZipEntry entry;
    ASSERT_EQ(zip->entry(2, entry), ZipResult::ok);
    const bool fits = target_bytes <= text::kMaxPathBytes;
    EXPECT_EQ(zip->extract(2, entry.name), fits ? ZipResult::ok : ZipResult::too_long);
    EXPECT_EQ(zip->finish(), ZipResult::ok);  // the file is written
    EXPECT_EQ(test::file_exists(target), fits);
    test::remove_tree(base);
  }
}

TEST(ZipReader, EntriesInAnyOrderAndOutOfRange) {
  using namespace kestrion::zip;
  EXPECT_FALSE(ZipReader::open(archive("no-such.zip")));
  std::optional<ZipReader> zip = ZipReader::open(archive("example.zip"));
  ASSERT_TRUE(zip);
  EXPECT_EQ(zip->count(), 3);
  // Backwards after forwards: the reader rewinds.
  ZipEntry entry;
  ASSERT_EQ(zip->entry(2, entry), ZipResult::ok);
  EXPECT_EQ(entry.name, "app/lib/x.dll");
  ASSERT_EQ(zip->entry(0, entry), ZipResult::ok);
  EXPECT_EQ(entry.name, "app/");
  EXPECT_TRUE(entry.attributes & FILE_ATTRIBUTE_DIRECTORY);
  ASSERT_EQ(zip->entry(1, entry), ZipResult::ok);
  EXPECT_EQ(entry.uncompressed_size, 7u);
  EXPECT_EQ(zip->entry(3, entry), ZipResult::argument);
  EXPECT_EQ(entry.name, "");
  EXPECT_EQ(zip->extract(-1, "x"), ZipResult::argument);
  EXPECT_EQ(zip->set_base_folder(std::string(300, 'a')), ZipResult::too_long);
}

}  // namespace
