// The installation's folders made one level at a time, and the client started through the
// shell from its quoted path.
#include <gtest/gtest.h>

#include <windows.h>

#include "child_roles.h"
#include "install/layout.h"
#include "install/layout_ops.h"
#include "state/memory_state.h"
#include "win/path_limit.h"
#include "support.h"
#include "win/app.h"

using namespace kestrion;

namespace {

TEST(LayoutFolders, OneLevelAtATime) {
  test::TempFolder temp("lay");
  MemoryRunState state;
  const std::string root = temp / "Tillwright";
  const std::string version = version_folder_path(root, "1001020308080", "2_1_5");

  EXPECT_TRUE(make_layout_folder(state, version));  // parents missing: nothing is made
  EXPECT_FALSE(test::folder_exists(root));
  for (const std::string& f : {root, root + "\\1001020308080", version})
    EXPECT_TRUE(make_layout_folder(state, f));
  EXPECT_TRUE(test::folder_exists(version));
  test::write_file(version + "\\kept.txt", "x");
  EXPECT_TRUE(make_layout_folder(state, version));  // an existing folder stays as it is
  EXPECT_EQ(test::read_file(version + "\\kept.txt"), "x");

  EXPECT_TRUE(make_layout_folder(state, success_marker_path(version)));  // no app folder yet
  EXPECT_FALSE(test::folder_exists(app_folder_path(version)));
  EXPECT_TRUE(make_layout_folder(state, app_folder_path(version)));
  EXPECT_TRUE(make_layout_folder(state, success_marker_path(version)));
  EXPECT_TRUE(test::folder_exists(version + "\\app\\success"));

  // An empty host name: the version folder lies in the root, "\\" read as one separator.
  EXPECT_TRUE(make_layout_folder(state, version_folder_path(root, "", "2_1_5")));
  EXPECT_TRUE(test::folder_exists(root + "\\2_1_5"));
  EXPECT_TRUE(state.status_history.empty());

  const std::string deep = temp.path() + "\\" + std::string(260 - temp.path().size(), 'd');
  EXPECT_FALSE(make_layout_folder(state, deep));
  EXPECT_EQ(state.text(ctl::status), path_too_long_text() + deep);
}

TEST(LaunchClient, StartsTheQuotedClientPath) {
  test::TempFolder temp("run 门店");
  MemoryRunState state;
  const std::string version = temp / "1001020308080\\2_1_5";
  test::make_folders(app_folder_path(version));
  // This very program plays the client (see child_roles.cpp).
  ASSERT_TRUE(CopyFileA(win::module_path().c_str(), client_exe_path(version).c_str(), FALSE));

  EXPECT_TRUE(launch_client(state, version));
  const std::string marker = app_folder_path(version) + "\\launched.txt";
  // The record may exist a moment before its line is in it.
  std::string record;
  for (int i = 0; i < 400 && record.find('\n') == std::string::npos; ++i) {
    Sleep(50);
    record = test::read_file(marker);
  }
  ASSERT_FALSE(record.empty()) << "the client did not start";
  const std::string command = record.substr(0, record.find('\n'));
  EXPECT_NE(command.find(client_exe_path(version)), std::string::npos) << command;
  Sleep(200);  // let it end before the folder goes
}

// A client that cannot be started is said in the status line: an upgrade that ends without a
// running client is no success.
TEST(LaunchClient, MissingClientOrLongPathIsReported) {
  test::TempFolder temp("run");
  MemoryRunState state;
  EXPECT_FALSE(launch_client(state, temp / "none"));
  EXPECT_EQ(state.text(ctl::status).rfind(win::load_string(IDS_CLIENT_NOT_STARTED) +
                                              client_exe_path(temp / "none"),
                                          0),
            0u)
      << state.text(ctl::status);
  const std::string deep = temp.path() + "\\" + std::string(250 - temp.path().size(), 'd');
  EXPECT_FALSE(launch_client(state, deep));
  EXPECT_EQ(state.text(ctl::status), path_too_long_text() + client_exe_path(deep));
}

}  // namespace
