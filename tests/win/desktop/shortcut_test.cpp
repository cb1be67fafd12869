// The desktop shortcut through the real shell link objects. Every link made here is also
// copied into links\ beside this program with a line in links\expected.txt; the ctest step
// after this program reads each copy back with lnkinfo (check_links.py) and compares.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "desktop/shortcut.h"
#include "state/memory_state.h"
#include "win/path_limit.h"
#include "support.h"
#include "text/convert.h"
#include "win/app.h"

using namespace kestrion;

namespace {

std::string desktop_folder() {
  char buffer[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_DESKTOPDIRECTORY, FALSE);
  return buffer;
}

std::string links_folder() {
  std::string exe = win::module_path();
  return exe.substr(0, exe.rfind('\\')) + "\\links";
}

class Shortcut : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::remove_tree(links_folder());
    CreateDirectoryA(links_folder().c_str(), nullptr);
  }

  void TearDown() override {
    for (const std::string& name : made_) DeleteFileA(link(name).c_str());
    DeleteFileA(icon().c_str());
  }

  static std::string link(const std::string& name) { return desktop_folder() + "\\" + name + ".lnk"; }
  static std::string icon() { return desktop_folder() + "\\bitbug_favicon.ico"; }

  bool create(const std::string& name, const std::string& folder) {
    made_.push_back(name);
    return create_desktop_shortcut(state_, name, folder, "TILLWRIGHT.exe");
  }

  // Keeps a copy of the link for lnkinfo, with what it must show (UTF-8, tab-separated).
  void expect_link(const std::string& name, const std::string& copy, const std::string& folder,
                   bool with_icon) {
    ASSERT_TRUE(test::file_exists(link(name))) << link(name);
    ASSERT_TRUE(CopyFileA(link(name).c_str(), (links_folder() + "\\" + copy).c_str(), FALSE));
    std::string line = copy + "\t" + folder + "\\TILLWRIGHT.exe\t" + folder + "\\\t" +
                       (with_icon ? icon() : "-") + "\n";
    const std::string manifest = links_folder() + "\\expected.txt";
    test::write_file(manifest, test::read_file(manifest) + text::ansi_to_utf8(line));
  }

  MemoryRunState state_;
  test::TempFolder temp_{"lnk"};
  std::vector<std::string> made_;
};

TEST_F(Shortcut, TargetAndWorkingFolderWithoutIcon) {
  const std::string app = temp_ / "2_1_0\\app";
  EXPECT_TRUE(create("Tillwright POS", app));
  EXPECT_EQ(state_.pumps, 1);
  EXPECT_TRUE(state_.boxes.empty());
  expect_link("Tillwright POS", "plain.lnk", app, false);
}

TEST_F(Shortcut, IconOnlyWhenTheDesktopHoldsIt) {
  test::write_file(icon(), test::read_file(test::build_folder() + "\\res\\kestrion.ico"));
  const std::string app = temp_ / "2_1_0\\app";
  EXPECT_TRUE(create("WithIcon", app));
  expect_link("WithIcon", "icon.lnk", app, true);
}

TEST_F(Shortcut, ChineseNameReachesTheFileSystem) {
  const std::string name = "门店收银";
  const std::string app = temp_ / "门店\\乗\\app";
  EXPECT_TRUE(create(name, app));
  // The wide name, looked up without any ANSI conversion of ours.
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((text::ansi_to_wide(desktop_folder()) + L"\\\u95e8\u5e97\u6536\u94f6.lnk").c_str(),
                            &found);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FindClose(h);
  EXPECT_EQ(std::wstring(found.cFileName), L"\u95e8\u5e97\u6536\u94f6.lnk");
  expect_link(name, "chinese.lnk", app, false);
}

TEST_F(Shortcut, SecondCallPointsToTheNewVersion) {
  EXPECT_TRUE(create("Upgrade", temp_ / "1_0\\app"));
  expect_link("Upgrade", "first.lnk", temp_ / "1_0\\app", false);
  EXPECT_TRUE(create("Upgrade", temp_ / "2_0\\app"));
  expect_link("Upgrade", "second.lnk", temp_ / "2_0\\app", false);
}

TEST_F(Shortcut, NamesThatCannotBeALinkGiveZero) {
  const std::string app = temp_ / "app";
  for (const char* name : {"a|b", "a?b", "a<b>", "a\"b"}) {
    state_.boxes.clear();
    EXPECT_FALSE(create(name, app)) << name;
    EXPECT_TRUE(state_.boxes.empty()) << name;
  }
  // A separator or a colon would put the link somewhere else: refused before anything is made.
  test::make_folders(desktop_folder() + "\\sub");
  for (const char* name : {"sub\\x", "..\\escaped", "sub/x", "C:x"}) {
    EXPECT_FALSE(create(name, app)) << name;
    EXPECT_EQ(state_.text(ctl::status), std::string("快捷方式名称无效：") + name);
  }
  EXPECT_FALSE(test::file_exists(desktop_folder() + "\\sub\\x.lnk"));
  EXPECT_FALSE(test::file_exists(desktop_folder() + "\\..\\escaped.lnk"));
  RemoveDirectoryA((desktop_folder() + "\\sub").c_str());
}

TEST_F(Shortcut, PathsPastTheLimitAreRefused) {
  const std::string long_name(260 - desktop_folder().size(), 'n');  // link path of 265 bytes
  EXPECT_FALSE(create(long_name, temp_ / "app"));
  EXPECT_EQ(state_.text(ctl::status), path_too_long_text() + link(long_name));
  EXPECT_FALSE(test::file_exists(link(long_name)));

  const std::string deep = temp_.path() + "\\" + std::string(250 - temp_.path().size(), 'd');
  EXPECT_FALSE(create("Deep", deep));  // the target would pass the limit
  EXPECT_EQ(state_.text(ctl::status), path_too_long_text() + deep + "\\TILLWRIGHT.exe");
  EXPECT_FALSE(test::file_exists(link("Deep")));
}

// The desktop folder, redirected for as long as it lives (the shell reads the user's shell
// folders from the registry on every call).
class DesktopAt {
 public:
  explicit DesktopAt(const std::string& folder) {
    RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
    DWORD size = sizeof saved_;
    had_ = RegQueryValueExA(key_, "Desktop", nullptr, &type_, reinterpret_cast<BYTE*>(saved_),
                            &size) == ERROR_SUCCESS;
    RegSetValueExA(key_, "Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
  }
  ~DesktopAt() {
    if (had_)
      RegSetValueExA(key_, "Desktop", 0, type_, reinterpret_cast<const BYTE*>(saved_),
                     static_cast<DWORD>(strlen(saved_) + 1));
    else
      RegDeleteValueA(key_, "Desktop");
    RegCloseKey(key_);
  }

 private:
  static constexpr char kKey[] =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  HKEY key_ = nullptr;
  DWORD type_ = REG_EXPAND_SZ;
  char saved_[MAX_PATH * 2] = {};
  bool had_ = false;
};

// A desktop folder so deep that the icon's path would pass the limit while the link's fits: the
// icon is optional, so the link is made, without an icon location.
TEST_F(Shortcut, IconPathPastTheLimitLeavesTheIconOut) {
  const std::string deep = temp_.path() + "\\" + std::string(245 - temp_.path().size(), 'k');
  test::make_folders(deep);
  const std::string app = temp_ / "app";
  {
    DesktopAt desktop(deep);
    ASSERT_EQ(desktop_folder(), deep);
    EXPECT_TRUE(create_desktop_shortcut(state_, "Pos", app, "TILLWRIGHT.exe"));
    EXPECT_EQ(state_.text(ctl::status), "");
  }
  ASSERT_NE(desktop_folder(), deep);
  const std::string link = deep + "\\Pos.lnk";
  ASSERT_TRUE(test::file_exists(link));
  ASSERT_TRUE(CopyFileA(link.c_str(), (links_folder() + "\\deep.lnk").c_str(), FALSE));
  const std::string manifest = links_folder() + "\\expected.txt";
  test::write_file(manifest, test::read_file(manifest) +
                                 text::ansi_to_utf8("deep.lnk\t" + app + "\\TILLWRIGHT.exe\t" +
                                                    app + "\\\t-\n"));
}

}  // namespace
