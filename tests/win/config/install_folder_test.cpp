// The install folder on the real system: %ProgramFiles%, drive D and the default folder (as the
// ctest entry arranges the prefix), the install root's creation and write check, the
// previous-install prompt, the Browse button and the shell folder browser.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "config/install_folder.h"
#include "run/previous_install.h"
#include "shell/folder_browser.h"
#include "state/memory_state.h"
#include "win/path_limit.h"
#include "support.h"
#include "win/app.h"

using namespace kestrion;

namespace {

std::string expanded(const char* text) {
  char buffer[32768] = {};
  ExpandEnvironmentStringsA(text, buffer, sizeof buffer);
  return buffer;
}

TEST(ProgramFiles, IsTheEnvironmentsExpansion) {
  const std::string folder = program_files_folder();
  EXPECT_EQ(folder, expanded("%ProgramFiles%"));
  EXPECT_NE(folder, "%ProgramFiles%");
  EXPECT_TRUE(test::folder_exists(folder)) << folder;

  const std::string saved = test::env("ProgramFiles");
  const std::string long_value = "C:\\" + std::string(300, 'p');
  SetEnvironmentVariableA("ProgramFiles", long_value.c_str());
  EXPECT_EQ(program_files_folder(), long_value);  // whole, never cut
  SetEnvironmentVariableA("ProgramFiles", nullptr);
  EXPECT_EQ(program_files_folder(), "%ProgramFiles%");
  SetEnvironmentVariableA("ProgramFiles", saved.c_str());
}

// The names in one folder, sorted (not below it).
std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((folder + (folder.back() == '\\' ? "*" : "\\*")).c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

// The install folder the real program proposes in its dialog, for a service without an entry in
// posclient.json.
std::string proposed_by_the_program() {
  test::TempFolder dir("proposal");
  const std::string exe = dir / "setup.exe";
  CopyFileA(test::program_path().c_str(), exe.c_str(), FALSE);
  test::Process p("\"" + exe + "\"", dir.path());
  HWND d = test::wait_window(p.pid(), "#32770", nullptr, 20000);
  if (!d) return "(no dialog)";
  const std::string proposed = test::control_text(d, IDC_INSTALL_FOLDER);
  p.kill();
  return proposed;
}

// KESTRION_DRIVE_D and KESTRION_PROGRAM_FILES say what the ctest entry made of the prefix:
// drive D absent, a fixed disk ("present") or a CD-ROM drive ("cdrom"); Program Files writable,
// or "readonly" (a read-only mount, as a standard user meets it on Windows).
TEST(DriveD, TheDefaultFolderIsOneTheUserCanWrite) {
  const std::string drive = test::env("KESTRION_DRIVE_D");
  if (drive.empty()) GTEST_SKIP() << "drive D not arranged";
  const bool program_files_writable = test::env("KESTRION_PROGRAM_FILES") != "readonly";
  EXPECT_EQ(drive_d_present(), drive != "absent");
  EXPECT_EQ(drive_d_fixed(), drive == "present");
  const std::string program_files = program_files_folder();
  EXPECT_EQ(can_create_folder_in(program_files), program_files_writable);

  char local[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, local, CSIDL_LOCAL_APPDATA, FALSE));
  const std::string user_programs = std::string(local) + "\\Programs";
  RemoveDirectoryA(user_programs.c_str());  // made again when it is the one proposed
  const std::string expected = drive == "present"   ? "D:\\"
                               : program_files_writable ? program_files
                                                        : user_programs;
  const std::vector<std::string> program_files_before = names_in(program_files);
  const std::vector<std::string> drive_before = names_in("D:\\");
  EXPECT_EQ(default_install_base(), expected);
  EXPECT_EQ(proposed_by_the_program(), expected);
  // The checks leave nothing behind.
  EXPECT_EQ(names_in(program_files), program_files_before);
  EXPECT_EQ(names_in("D:\\"), drive_before);
  if (expected == user_programs) {
    EXPECT_TRUE(test::folder_exists(user_programs));
  }

  MemoryRunState state;
  if (!program_files_writable) {
    // A person who picks Program Files anyway is told before anything is asked or downloaded.
    const std::string root = program_files + "\\Tillwright";
    EXPECT_FALSE(install_root_writable(state, root));
    EXPECT_EQ(state.text(ctl::status), win::load_string(IDS_FOLDER_NOT_WRITABLE) + root);
    if (GetACP() == 936) {
      EXPECT_EQ(state.text(ctl::status), "无法写入安装目录：" + root);
    }
  }
  if (drive != "present") return;

  // The root of a default install on drive D.
  state.set_text(ctl::install_folder, "D:\\");
  RemoveDirectoryA("D:\\Tillwright");
  EXPECT_EQ(resolve_install_root(state), std::optional<std::string>("D:\\Tillwright"));
  EXPECT_TRUE(test::folder_exists("D:\\Tillwright"));
  EXPECT_TRUE(install_root_writable(state, "D:\\Tillwright"));
  RemoveDirectoryA("D:\\Tillwright");
}

class InstallRootOnDisk : public ::testing::Test {
 protected:
  std::optional<std::string> resolve(const std::string& folder) {
    state_.set_text(ctl::install_folder, folder);
    return resolve_install_root(state_);
  }
  MemoryRunState state_;
  test::TempFolder temp_{"root"};
};

TEST_F(InstallRootOnDisk, CreatedOnlyWhenAppended) {
  const std::string t = temp_.path();
  test::make_folders(t + "\\Apps");
  test::make_folders(t + "\\Tillwright\\abc");

  EXPECT_EQ(resolve(t + "\\Apps\\"), t + "\\Apps\\Tillwright");
  EXPECT_TRUE(test::folder_exists(t + "\\Apps\\Tillwright"));
  EXPECT_EQ(resolve(t + "\\Apps"), t + "\\Apps\\Tillwright");  // existing: stays

  EXPECT_EQ(resolve(t + "\\Tillwright\\abc"), t + "\\Tillwright");
  EXPECT_EQ(resolve(t + "\\Tillwright\\new"), t + "\\Tillwright");
  EXPECT_FALSE(test::folder_exists(t + "\\Tillwright\\new"));  // nothing is made

  EXPECT_EQ(resolve(t + "\\Tillwright"), t + "\\Tillwright\\Tillwright");
  EXPECT_TRUE(test::folder_exists(t + "\\Tillwright\\Tillwright"));

  EXPECT_EQ(resolve(t + "\\missing\\x"), t + "\\missing\\x\\Tillwright");
  EXPECT_FALSE(test::folder_exists(t + "\\missing"));  // one level only

  EXPECT_EQ(resolve(t + "\\门店\\乗"), t + "\\门店\\乗\\Tillwright");
  EXPECT_FALSE(test::folder_exists(t + "\\门店"));
  EXPECT_EQ(state_.pumps, 7);
}

TEST_F(InstallRootOnDisk, WritableOnlyWhereAFolderCanBeMade) {
  const std::string t = temp_.path();
  EXPECT_TRUE(install_root_writable(state_, t));
  EXPECT_EQ(names_in(t), std::vector<std::string>{});  // the check's folder is gone again
  EXPECT_TRUE(state_.status_history.empty());
  // A root that is a file, or lies in a missing folder.
  test::write_file(t + "\\file", "x");
  for (const std::string& root : {t + "\\file", t + "\\missing\\Tillwright"}) {
    EXPECT_FALSE(install_root_writable(state_, root)) << root;
    EXPECT_EQ(state_.text(ctl::status), win::load_string(IDS_FOLDER_NOT_WRITABLE) + root);
  }
}

TEST_F(InstallRootOnDisk, RootPastTheLimitIsRefused) {
  const std::string folder = temp_.path() + "\\" + std::string(250 - temp_.path().size(), 'a');
  EXPECT_EQ(resolve(folder), std::nullopt);
  EXPECT_EQ(state_.text(ctl::status), path_too_long_text() + folder + "\\Tillwright");
}

class PreviousInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    test::make_folders(previous_);
    state_.set_running(true);
  }
  test::TempFolder temp_{"prev"};
  const std::string parent_ = temp_ / "Tillwright\\h";
  const std::string previous_ = parent_ + "\\1_0";
  MemoryRunState state_;
};

TEST_F(PreviousInstall, PromptOnlyWhenAnExistingInstallLiesElsewhere) {
  struct {
    std::string previous;
    std::string folder;
  } quiet[] = {{"", "D:\\"}, {temp_ / "gone\\1_0", "D:\\"}, {previous_, parent_}};
  for (const auto& c : quiet) {
    state_.set_text(ctl::previous_folder, c.previous);
    state_.set_text(ctl::install_folder, c.folder);
    EXPECT_TRUE(previous_install_prompt(state_)) << c.previous;
  }
  EXPECT_TRUE(state_.boxes.empty());
  EXPECT_TRUE(state_.status_history.empty());
  EXPECT_TRUE(state_.running());
}

TEST_F(PreviousInstall, NoPutsTheEarlierFolderBackAndEndsTheRun) {
  state_.set_text(ctl::previous_folder, previous_);
  state_.set_text(ctl::install_folder, "D:\\");
  state_.answers = {IDNO};
  EXPECT_FALSE(previous_install_prompt(state_));
  EXPECT_EQ(state_.text(ctl::status), win::load_string(IDS_PREVIOUS_FOLDER) + parent_);
  ASSERT_EQ(state_.boxes.size(), 1u);
  EXPECT_EQ(state_.boxes[0].text, win::load_string(IDS_NEW_FOLDER_PROMPT) + parent_);
  if (GetACP() == 936) {
    EXPECT_EQ(state_.boxes[0].text,
              "发现安装过此环境的之前版本,但现在的安装目录与之前不一样，\n确定要在新的目录下安装?\n"
              "之前安装目录" + parent_);
  }
  EXPECT_EQ(state_.boxes[0].style, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(state_.text(ctl::install_folder), parent_);
  EXPECT_FALSE(state_.running());
}

TEST_F(PreviousInstall, YesGoesOnWithTheNewFolder) {
  state_.set_text(ctl::previous_folder, previous_);
  state_.set_text(ctl::install_folder, "D:\\");
  state_.answers = {IDYES};
  EXPECT_TRUE(previous_install_prompt(state_));
  EXPECT_EQ(state_.text(ctl::install_folder), "D:\\");
  EXPECT_TRUE(state_.running());
}

BOOL CALLBACK find_tree(HWND child, LPARAM found) {
  char name[32] = {};
  GetClassNameA(child, name, sizeof name);
  if (std::string(name) != WC_TREEVIEWA) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

// The text of the tree's selected item in the browser, "" while there is none.
std::string selected_in_tree(HWND browser) {
  HWND tree = nullptr;
  EnumChildWindows(browser, find_tree, reinterpret_cast<LPARAM>(&tree));
  if (!tree) return {};
  char text[MAX_PATH] = {};
  TVITEMA item{};
  item.mask = TVIF_TEXT;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  item.pszText = text;
  item.cchTextMax = sizeof text;
  if (!item.hItem || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
    return {};
  return text;
}

// Answers the shell folder browser from a second thread while the test waits in its loop:
// selects `choice` (once the tree shows it selected) and presses OK, or cancels when `choice`
// is empty.
class BrowserAnswer {
 public:
  explicit BrowserAnswer(std::string choice)
      : thread_([this, choice] {
          HWND browser = test::wait_window(GetCurrentProcessId(), "#32770", nullptr, 20000);
          if (!browser) return;
          seen_ = true;
          if (!choice.empty()) {
            const std::string name = choice.substr(choice.rfind('\\') + 1);
            for (int i = 0; i < 100 && selected_in_tree(browser) != name; ++i) {
              SendMessageA(browser, BFFM_SETSELECTIONA, TRUE,
                           reinterpret_cast<LPARAM>(choice.c_str()));
              Sleep(100);  // the browser fills its tree after it shows
            }
            PostMessageA(browser, WM_COMMAND, IDOK, 0);
          } else {
            PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
          }
        }) {}
  ~BrowserAnswer() {
    if (thread_.joinable()) thread_.join();
  }
  bool seen() {
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  std::atomic<bool> seen_{false};
  std::thread thread_;
};

TEST_F(PreviousInstall, BrowseAsksFirstWhenThePreviousFolderExists) {
  state_.set_text(ctl::previous_folder, previous_);
  state_.set_text(ctl::install_folder, "D:\\");
  state_.answers = {IDNO};
  on_browse(state_, nullptr);  // no browser: the test would hang otherwise
  ASSERT_EQ(state_.boxes.size(), 1u);
  EXPECT_EQ(state_.boxes[0].text, win::load_string(IDS_RESELECT_PROMPT));
  EXPECT_EQ(state_.boxes[0].style, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(state_.text(ctl::install_folder), "D:\\");
}

TEST_F(PreviousInstall, BrowserChoiceGoesIntoTheInstallFolder) {
  state_.set_text(ctl::install_folder, "D:\\");
  {
    state_.set_text(ctl::previous_folder, temp_ / "gone");  // no question, the browser opens
    BrowserAnswer cancel("");
    on_browse(state_, nullptr);
    EXPECT_TRUE(cancel.seen());
    EXPECT_TRUE(state_.boxes.empty());
    EXPECT_EQ(state_.text(ctl::install_folder), "D:\\");
  }
  {
    // Wine's browser selects a folder it is told to only below a drive (not below the user's
    // profile, where the temporary folders are) and only along ASCII names.
    const std::string root = "C:\\kt_browse_" + std::to_string(GetCurrentProcessId());
    const std::string chosen = root + "\\sub";
    test::make_folders(chosen);
    state_.set_text(ctl::previous_folder, previous_);
    state_.answers = {IDYES};
    BrowserAnswer choose(chosen);
    on_browse(state_, nullptr);
    EXPECT_TRUE(choose.seen());
    EXPECT_EQ(state_.boxes.size(), 1u);
    EXPECT_EQ(state_.text(ctl::install_folder), chosen);
    test::remove_tree(root);
  }
}

}  // namespace
