// parse_launch_arguments on real UTF-16 command lines: the shell's splitting, the conversion to
// code page 936 (a character whose trail byte is "\" included) and the argument log lines.
#include <gtest/gtest.h>

#include <windows.h>

#include "config/install_root.h"
#include "log/log.h"
#include "shell/file_name_code.h"
#include "shell/launch.h"
#include "support.h"

using namespace kestrion;

namespace {

class ParseLaunchArguments : public ::testing::Test {
 protected:
  void SetUp() override { test::remove_tree(exe_folder() + "log"); }
  void TearDown() override { test::remove_tree(exe_folder() + "log"); }
};

TEST_F(ParseLaunchArguments, NoArgumentsNoLogLines) {
  const LaunchArguments a = parse_launch_arguments(L"\"C:\\Program Files\\setup(1.2.3.4_80).exe\"");
  EXPECT_EQ(a.item_count, 1);
  EXPECT_EQ(a.arg_isdownfile, "N");
  EXPECT_EQ(run_mode(a), RunMode::install);
  EXPECT_TRUE(test::log_lines().empty());
}

TEST_F(ParseLaunchArguments, UpgradeCommandLineInTheCodePage) {
  // 乗 is 0x81 0x5C in GBK: its trail byte is a backslash.
  const LaunchArguments a = parse_launch_arguments(
      L"C:\\pos\\setup.exe http://127.0.0.1:8080/pos/ \"http://127.0.0.1:8080/files/p 1.zip\" "
      L"2.0.0 \"C:\\门店 收银\\乗\\1_0_0\" 1.0.0 n -1.0 SERVICE_CENTER");
  EXPECT_EQ(a.item_count, 9);
  EXPECT_EQ(a.arg_upgradefileurl, "http://127.0.0.1:8080/files/p 1.zip");
  EXPECT_EQ(a.arg_upgradepath, "C:\\门店 收银\\\x81\x5c\\1_0_0");
  EXPECT_EQ(parent_folder(a.arg_upgradepath), "C:\\门店 收银\\\x81\x5c");
  EXPECT_EQ(a.arg_upoldreportversion, "");
  EXPECT_EQ(a.arg_requestservice, "SERVICE_CENTER");
  EXPECT_EQ(run_mode(a), RunMode::upgrade_download);
  EXPECT_EQ(service_path_from_url(a.arg_upgradeurl), "pos/");  // kept as given: "/pos//api/..."
  EXPECT_EQ(test::log_lines(),
            (std::vector<std::string>{
                "升级启动程序入参：arg_upgradeurl >>>> ：http://127.0.0.1:8080/pos/",
                "升级启动程序入参：arg_upgradefileurl >>>> ：http://127.0.0.1:8080/files/p 1.zip",
                "升级启动程序入参：arg_upgradeversion >>>> ：2.0.0",
                "升级启动程序入参：arg_upgradepath >>>> ：C:\\门店 收银\\\x81\x5c\\1_0_0",
                "升级启动程序入参：arg_upgradeoldversion >>>> ：1.0.0",
                "升级启动程序入参：arg_isdownfile >>>> ：n",
                "升级启动程序入参：arg_upoldreportversion >>>> ：",
                "升级启动程序入参：arg_requestservice >>>> ：SERVICE_CENTER",
            }));
}

TEST_F(ParseLaunchArguments, FewArgumentsLogTheDefaults) {
  const LaunchArguments a = parse_launch_arguments(L"setup.exe one \"two three\"");
  EXPECT_EQ(a.item_count, 3);
  EXPECT_EQ(a.arg_upgradeurl, "");
  const auto lines = test::log_lines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "升级启动程序入参：arg_upgradeurl >>>> ：");
  EXPECT_EQ(lines[5], "升级启动程序入参：arg_isdownfile >>>> ：N");
}

// "/S" first: the shell splits the folder into 8 items, yet nothing is counted and nothing is
// logged, and the folder comes whole from the raw line, in the code page.
TEST_F(ParseLaunchArguments, UnattendedLineCountsNoUpgradeArguments) {
  const wchar_t* line =
      L"\"C:\\Program Files\\setup(1.2.3.4_80).exe\" /s /D=C:\\门店 收银\\乗 A B C D";
  const LaunchArguments a = parse_launch_arguments(line);
  EXPECT_EQ(run_mode(a), RunMode::install);
  EXPECT_EQ(a.arg_upgradeurl, "");
  EXPECT_TRUE(test::log_lines().empty());
  const std::optional<Unattended> u = unattended_launch(line);
  ASSERT_TRUE(u);
  EXPECT_EQ(u->folder, "C:\\门店 收银\\\x81\x5c A B C D");
  EXPECT_EQ(u->refused, "");
}

}  // namespace
