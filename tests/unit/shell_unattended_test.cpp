// The unattended switches on the raw command line: "/S" only as the first argument, "/D=" taking
// the rest of the line as it stands, everything else refused; and a "/S" line whose folder
// splits into as many items as an upgrade's never counts as one.
#include <gtest/gtest.h>

#include <optional>

#include "shell/command_line.h"
#include "shell/unattended.h"

using namespace kestrion;

namespace {

constexpr char kPath[] = "\"C:\\Program Files\\setup(192.0.2.7_8080).exe\"";

TEST(UnattendedSwitches, Table) {
  struct Case {
    std::string line;
    bool unattended;
    std::optional<std::string> folder;
    std::string refused;
  };
  const std::string p = kPath;
  const Case cases[] = {
      {p, false, {}, ""},
      {p + " /S", true, {}, ""},
      {p + " /s", true, {}, ""},
      {"C:\\pos\\setup.exe /S", true, {}, ""},  // an unquoted path ends at its first blank
      {p + "   /S  \t", true, {}, ""},
      {p + " /S /D=C:\\Program Files\\A B C D E", true, "C:\\Program Files\\A B C D E", ""},
      {p + " /S /d=D:\\pos  \t", true, "D:\\pos", ""},  // blanks at the very end are dropped
      {p + " /S /D=D:\\a  b", true, "D:\\a  b", ""},    // blanks inside are kept
      {p + " /S /D=\"D:\\q\"", true, "\"D:\\q\"", ""},  // quotes are part of it, as given
      {p + " /S /D=D:\\a /X", true, "D:\\a /X", ""},    // the last item: nothing ends it
      // 乗 (0x81 0x5C) ends in a backslash byte; 门店 收银 holds a blank.
      {p + " /S /D=C:\\门店 收银\\\x81\x5c", true, "C:\\门店 收银\\\x81\x5c", ""},
      {p + " /S /X", true, {}, "/X"},
      {p + " /S /D", true, {}, "/D"},
      {p + " /S /D=", true, {}, "/D="},
      {p + " /S /D=   ", true, {}, "/D="},
      {p + " /S /S", true, {}, "/S"},
      {p + " /S C:\\pos /D=D:\\x", true, {}, "C:\\pos"},
      {p + " /SD=C:\\x", false, {}, ""},
      {p + " \"/S\"", false, {}, ""},
      {p + " x /S", false, {}, ""},
      {"\"C:\\a /S\\setup.exe\"", false, {}, ""},  // inside the program's path
      {"\"C:\\a /S\\setup.exe\" /S", true, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::optional<Unattended> u = unattended_switches(c.line);
    ASSERT_EQ(u.has_value(), c.unattended);
    if (!u) continue;
    EXPECT_EQ(u->folder, c.folder);
    EXPECT_EQ(u->refused, c.refused);
  }
}

TEST(UnattendedSwitches, NoUpgradeArgumentsAreCountedBehindS) {
  // The shell splits this line into 8 items, whose first five are all non-empty: counted, they
  // would make an upgrade.
  const std::string line = std::string(kPath) + " /S /D=C:\\Program Files\\A B C D E";
  const std::vector<std::string> items = {"C:\\Program Files\\setup(192.0.2.7_8080).exe",
                                          "/S", "/D=C:\\Program", "Files\\A", "B", "C", "D", "E"};
  EXPECT_EQ(run_mode(launch_arguments_from_items(items)), RunMode::upgrade_download);
  const LaunchArguments a = launch_arguments_from_command_line(line, items);
  EXPECT_EQ(run_mode(a), RunMode::install);
  EXPECT_EQ(a.arg_upgradeurl, "");
  EXPECT_TRUE(launch_argument_log_lines(a).empty());

  // Without "/S" first, the same items count as before.
  std::vector<std::string> upgrade = items;
  upgrade[1] = "/X";
  const LaunchArguments b = launch_arguments_from_command_line(
      std::string(kPath) + " /X /D=C:\\Program Files\\A B C D E", upgrade);
  EXPECT_EQ(run_mode(b), RunMode::upgrade_download);
  EXPECT_EQ(b.arg_upgradeurl, "/X");
  EXPECT_EQ(launch_argument_log_lines(b).size(), 8u);
}

}  // namespace
