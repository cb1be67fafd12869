// The run sequence on the in-memory run state against the sample service: the order of its
// status texts, log lines and progress positions, the failed ends with the inputs enabled again,
// and the runs that end before any work.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "install/stage.h"
#include "run/run_sequence.h"
#include "installer.h"
#include "service.h"
#include "state/ids.h"
#include "state/memory_state.h"
#include "support.h"

namespace kestrion::test {
namespace {

constexpr char kClientName[] = "蓝雀收银台";  // the sample service's answer
constexpr char kInstalling[] = "正在安装，请稍候……";
constexpr char kInstalled[] = "安装成功，请双击桌面图标启动客户端";
const std::vector<int> kInputs{ctl::run, ctl::browse, ctl::service_address, ctl::install_folder};

class RunSequence : public ::testing::Test {
 protected:
  void SetUp() override {
    service_.reset();
    DeleteFileA(register_path().c_str());
    DeleteFileA(link_path().c_str());
    log_start_ = log_lines().size();
    state_.set_text(ctl::service_address, service_.base_url());
    state_.set_text(ctl::install_folder, till_.path());
    record_positions(state_);
  }

  // The bar as a window would show it whenever messages flow in the installation phase.
  void record_positions(MemoryRunState& state) {
    positions_.clear();
    state.on_pump = [this, &state] {
      if (state.text(ctl::status) != kInstalling) return;
      if (positions_.empty() || positions_.back() != state.progress_pos())
        positions_.push_back(state.progress_pos());
    };
  }

  static std::string register_path() { return appdata_folder() + "\\Tillwright\\posclient.json"; }
  static std::string link_path() { return desktop_folder() + "\\" + kClientName + ".lnk"; }
  std::string version_folder(const std::string& v = "1_0_0") const {
    return till_.path() + "\\Tillwright\\1270000010" + std::to_string(service_.port()) + "\\" + v;
  }
  // The log lines this case wrote.
  std::vector<std::string> new_log() const {
    const std::vector<std::string> all = log_lines();
    return {all.begin() + static_cast<std::ptrdiff_t>(log_start_), all.end()};
  }
  int requests_to(const std::string& path_start) {
    int n = 0;
    for (const Request& r : service_.requests()) n += r.path.rfind(path_start, 0) == 0;
    return n;
  }
  void expect_failed_end(RunOutcome outcome) {
    EXPECT_EQ(outcome, RunOutcome::failed);
    // The run's end enables the four last, in order (a failed download has done so before).
    ASSERT_GE(state_.enable_order.size(), kInputs.size());
    EXPECT_EQ(std::vector<int>(state_.enable_order.end() - 4, state_.enable_order.end()), kInputs);
    for (int id : kInputs) EXPECT_TRUE(state_.enabled(id)) << id;
    EXPECT_FALSE(state_.running());
  }

  Service service_;
  TempFolder till_{"till"};
  MemoryRunState state_;
  std::vector<int> positions_;
  std::size_t log_start_ = 0;
};

// Positions the window sees the bar at in the installation phase: the marks' steps come between
// its message passes, one at a time, except at the register check's mark, which steps twice per
// pass (11 to 31); the fill ends at 99 before the last step. A reinstall that skips the two
// register marks reaches the same positions with fewer passes.
std::vector<int> installation_positions() {
  std::vector<int> seen;
  for (int p = 1; p < 100; ++p)
    if (p <= 11 || p >= 31 || p % 2 == 1) seen.push_back(p);
  return seen;
}

TEST_F(RunSequence, InstallThenTheSameVersionAgain) {
  EXPECT_EQ(run_sequence(state_), RunOutcome::finished);
  EXPECT_FALSE(state_.running());
  EXPECT_EQ(state_.status_history,
            (std::vector<std::string>{"正在设置安装目录，请等待……", "正在获取桌面快捷方式名称",
                                      "正在获取桌面快捷方式名称结束", "正在获取安装包下载地址",
                                      "正在获取安装包下载地址结束", "文件下载中，请等待……",
                                      "正在下载，需要一定时间，请稍候……", kInstalling,
                                      kInstalled}));
  EXPECT_EQ(positions_, installation_positions());
  EXPECT_EQ(state_.progress_pos(), 100);
  ASSERT_FALSE(state_.boxes.empty());
  EXPECT_EQ(state_.boxes.back().text, kInstalled);
  EXPECT_EQ(state_.boxes.back().style, box::ok);
  EXPECT_TRUE(state_.enable_order.empty());
  EXPECT_TRUE(file_exists(version_folder() + "\\app\\TILLWRIGHT.exe"));
  EXPECT_TRUE(folder_exists(version_folder() + "\\app\\success"));
  EXPECT_FALSE(file_exists(version_folder() + "\\TILLWRIGHT.zip"));
  EXPECT_TRUE(file_exists(link_path()));
  const std::vector<std::string> log = new_log();
  const std::string package = service_.url("/files/TILLWRIGHT.zip");
  const auto name_at = std::find(log.begin(), log.end(), std::string("桌面快捷方式 >>>> ：") + kClientName);
  ASSERT_NE(name_at, log.end());
  EXPECT_NE(std::find(name_at, log.end(), "安装包下载地址 >>>> ：" + package), log.end());
  EXPECT_EQ(requests_to("/api/posinstall/query"), 1);

  // The same version again: the folder is registered for this service already, so the
  // register is not written and the bar stands at 56 after the shortcut.
  const std::string register_bytes = read_file(register_path());
  SetFileAttributesA(register_path().c_str(), FILE_ATTRIBUTE_READONLY);  // a write would fail
  MemoryRunState again;
  again.set_text(ctl::service_address, service_.base_url());
  again.set_text(ctl::install_folder, till_.path());
  state_.on_pump = nullptr;
  record_positions(again);
  EXPECT_EQ(run_sequence(again), RunOutcome::finished);
  SetFileAttributesA(register_path().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(positions_, installation_positions());
  EXPECT_EQ(read_file(register_path()), register_bytes);
}

TEST_F(RunSequence, EmptyServiceAddressOnlyAsks) {
  state_.set_text(ctl::service_address, "");
  EXPECT_EQ(run_sequence(state_), RunOutcome::stopped);
  ASSERT_EQ(state_.boxes.size(), 1u);
  EXPECT_EQ(state_.boxes[0].text, "请先输入下载地址！");
  EXPECT_EQ(state_.boxes[0].style, static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_TRUE(state_.status_history.empty());
  EXPECT_TRUE(state_.enable_order.empty());
  for (int id : kInputs) EXPECT_TRUE(state_.enabled(id)) << id;
  EXPECT_FALSE(state_.running());
  EXPECT_TRUE(service_.requests().empty());
}

TEST_F(RunSequence, ARunWhileOneRunsDoesNothing) {
  state_.set_running(true);
  EXPECT_EQ(run_sequence(state_), RunOutcome::refused);
  EXPECT_TRUE(state_.running());
  EXPECT_TRUE(state_.status_history.empty());
  EXPECT_TRUE(state_.boxes.empty());
  EXPECT_TRUE(service_.requests().empty());
}

TEST_F(RunSequence, NoPackageAddressAfterSixQueries) {
  service_.configure(
      R"({"routes": {"package": {"json": {"code": 0, "data": {"pospackage": "", "posversion": "",
          "is_full": ""}}}}})");
  const DWORD start = GetTickCount();
  expect_failed_end(run_sequence(state_));
  // Not back to back: pauses of 0.5, 1, 2, 4 and 8 s, each within a quarter, the try shown.
  const DWORD took = GetTickCount() - start;
  EXPECT_GE(took, 11625u);
  EXPECT_LE(took, 19375u + 3000u);
  for (int attempt = 2; attempt <= 6; ++attempt) {
    const std::string trying =
        "正在获取安装包下载地址：第 " + std::to_string(attempt) + " 次，共 6 次……";
    EXPECT_NE(std::find(state_.status_history.begin(), state_.status_history.end(), trying),
              state_.status_history.end())
        << trying;
  }
  EXPECT_EQ(requests_to("/api/posinstall/query"), 6);
  ASSERT_FALSE(state_.boxes.empty());
  EXPECT_EQ(state_.boxes.back().text, "服务端安装包不存在，无法下载安装！");
  // The status line stays as the queries left it; one log line, for the first empty answer.
  EXPECT_EQ(state_.text(ctl::status), "正在获取安装包下载地址结束");
  int package_lines = 0;
  for (const std::string& line : new_log())
    package_lines += line.rfind("安装包下载地址 >>>> ：", 0) == 0;
  EXPECT_EQ(package_lines, 1);
}

TEST_F(RunSequence, EachFailedStepEndsWithItsTextAndTheInputsEnabled) {
  struct Case {
    const char* name;
    std::string settings;
    std::string status;
    bool marker;  // the success marker is made before the shortcut
  };
  const Case cases[] = {
      {"package not found", R"({"routes": {"/files/TILLWRIGHT.zip": {"status": 404}}})",
       "下载TILLWRIGHT.zip文件失败！", false},
      // A service that promises nothing about the package (else the body is refused unread).
      {"package not a zip", R"({"sha256": false, "size": false,
                                "routes": {"/files/TILLWRIGHT.zip": {"body": "not a zip"}}})",
       "解压文件失败,安装失败！", false},
      {"shortcut name with a colon", R"({"client_name": "a:b"})",
       "创建桌面登陆快捷方式失败,安装失败！", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    service_.reset();
    service_.configure(c.settings);
    state_ = MemoryRunState{};
    state_.set_text(ctl::service_address, service_.base_url());
    state_.set_text(ctl::install_folder, till_.path());
    expect_failed_end(run_sequence(state_));
    EXPECT_EQ(state_.text(ctl::status), c.status);
    EXPECT_EQ(folder_exists(version_folder() + "\\app\\success"), c.marker);
    remove_tree(till_.path() + "\\Tillwright");
  }
}

TEST_F(RunSequence, FolderRegisteredForAnotherService) {
  make_folders(version_folder());
  std::string folder;
  for (char c : version_folder()) folder += c == '\\' ? std::string("\\\\") : std::string(1, c);
  write_file(register_path(), "{\"pos\":[{\"foldername\":\"" + folder +
                                  "\",\"serviceurl\":\"http://192.0.2.9:8080/\"}]}");
  const std::string before = read_file(register_path());
  expect_failed_end(run_sequence(state_));
  EXPECT_EQ(state_.text(ctl::status), "写公共配置文件失败，安装失败！");
  EXPECT_EQ(read_file(register_path()), before);
  EXPECT_FALSE(file_exists(version_folder() + "\\app\\TILLWRIGHT.exe"));
}

// A system error that reaches the run: here the package file cannot be created, because a
// folder of that name stands in its place. Its text goes to the status line and a box.
TEST_F(RunSequence, ASystemErrorEndsTheRunWithItsText) {
  make_folders(version_folder() + "\\TILLWRIGHT.zip");
  expect_failed_end(run_sequence(state_));
  const std::string text = state_.text(ctl::status);
  EXPECT_FALSE(text.empty());
  EXPECT_LE(text.size(), 254u);
  ASSERT_FALSE(state_.boxes.empty());
  EXPECT_EQ(state_.boxes.back().text, text);
  EXPECT_TRUE(folder_exists(version_folder() + "\\TILLWRIGHT.zip"));
}

// ---- no false success, no lost installation ------------------------------------------------

class StagedRun : public RunSequence {
 protected:
  void SetUp() override {
    RunSequence::SetUp();
    state_.on_pump = nullptr;
  }
  // A run of the package `name` (served from the packages folder) with the full-package flag.
  RunOutcome run(const std::string& name, const std::string& is_full = "true",
                 const std::string& previous = "") {
    service_.configure(R"({"package_url": "{base}/files/)" + name + R"(", "version": "1.0.0",
                          "is_full": ")" + is_full + "\"}");
    state_ = MemoryRunState{};
    state_.set_text(ctl::service_address, service_.base_url());
    state_.set_text(ctl::install_folder, till_.path());
    state_.set_text(ctl::previous_folder, previous);
    return run_sequence(state_);
  }
  // Everything under the version folder and beside it (stage and aside folders), with contents.
  std::vector<std::string> snapshot() const {
    std::vector<std::string> out;
    const std::string host = version_folder().substr(0, version_folder().rfind('\\'));
    for (const std::string& p : list_tree(host))
      out.push_back(p + "=" + (p.back() == '\\' ? "" : read_file(host + "\\" + p)));
    return out;
  }
};

// Each fault ends as a failure with its text; the installation that was there before, and the
// register, are byte for byte as they were, and no stage is left beside them.
TEST_F(StagedRun, FailuresLeaveTheWorkingInstallationAsItWas) {
  ASSERT_EQ(run("whole.zip"), RunOutcome::finished);
  ASSERT_TRUE(folder_exists(version_folder() + "\\app\\success"));
  const std::string register_bytes = read_file(register_path());
  const std::vector<std::string> installed = snapshot();
  struct Case {
    const char* package;
    const char* is_full;
    std::string status;
    const char* log;  // a log line that must appear, "" for none
  } cases[] = {
      {"corrupt.zip", "true", "解压文件失败,安装失败！", "解压安装包失败》》》 "},
      {"partial.zip", "false", "非全包升级复制文件失败，安装失败！",
       "非全包升级没有可复制的之前安装目录 >>>> ："},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.package);
    log_start_ = log_lines().size();
    expect_failed_end(run(c.package, c.is_full));
    EXPECT_EQ(state_.text(ctl::status), c.status);
    EXPECT_NE(state_.text(ctl::status), kInstalled);
    // The downloaded package may stay in the version folder; nothing else changed.
    DeleteFileA((version_folder() + "\\TILLWRIGHT.zip").c_str());
    EXPECT_EQ(snapshot(), installed);
    EXPECT_EQ(read_file(register_path()), register_bytes);
    if (*c.log) {
      bool logged = false;
      for (const std::string& line : new_log()) logged |= line.rfind(c.log, 0) == 0;
      EXPECT_TRUE(logged) << c.log;
    }
  }
}

// A first install that cannot give a working client registers nothing and makes no shortcut: a
// package without the client (the reason in the log), and a posconfig.json that cannot be
// written (its place taken by a folder of the package).
TEST_F(StagedRun, FirstInstallWithoutAWorkingClientRegistersNothing) {
  struct Case {
    const char* package;
    std::string status;
    const char* log;
  } cases[] = {
      {"noclient.zip", "解压文件失败,安装失败！", "安装包中没有客户端程序 >>>> ：app\\TILLWRIGHT.exe"},
      {"configfolder.zip", "写公共配置文件失败，安装失败！", "配置文件无法读取，未改写 >>>> ："},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.package);
    log_start_ = log_lines().size();
    expect_failed_end(run(c.package));
    EXPECT_EQ(state_.text(ctl::status), c.status);
    EXPECT_FALSE(file_exists(register_path()));
    EXPECT_FALSE(file_exists(link_path()));
    EXPECT_FALSE(folder_exists(version_folder() + "\\app"));
    EXPECT_FALSE(folder_exists(version_folder() + ".new"));
    bool logged = false;
    for (const std::string& line : new_log()) logged |= line.rfind(c.log, 0) == 0;
    EXPECT_TRUE(logged) << c.log;
  }
}

// The same version again replaces the installation as a whole: the package's files are new,
// files the package lacks stay, "createtime" stays, and no stage or old content is left.
TEST_F(StagedRun, ReinstallSwapsInAWholeNewFolder) {
  ASSERT_EQ(run("whole.zip"), RunOutcome::finished);
  write_file(version_folder() + "\\app\\user.ini", "kept");
  write_file(version_folder() + "\\app\\data\\menu.txt", "edited");
  const std::string config = read_file(version_folder() + "\\posconfig.json");
  const std::string created = config.substr(config.find("\"createtime\""), 40);
  Sleep(1100);  // a later clock reading for "edittime"
  ASSERT_EQ(run("whole.zip"), RunOutcome::finished);
  EXPECT_EQ(read_file(version_folder() + "\\app\\user.ini"), "kept");
  EXPECT_EQ(read_file(version_folder() + "\\app\\data\\menu.txt"), "menu 2");
  EXPECT_NE(read_file(version_folder() + "\\posconfig.json").find(created), std::string::npos);
  EXPECT_TRUE(folder_exists(version_folder() + "\\app\\success"));
  EXPECT_FALSE(folder_exists(version_folder() + ".new"));
  EXPECT_FALSE(folder_exists(version_folder() + ".old"));
  EXPECT_FALSE(file_exists(version_folder() + "\\TILLWRIGHT.zip"));
}

// The system refuses the swap (here a file already holds the name the old content moves to):
// the run fails with the reason, and the installation stays as it was.
TEST_F(StagedRun, RefusedSwapKeepsTheOldInstallation) {
  ASSERT_EQ(run("whole.zip"), RunOutcome::finished);
  write_file(version_folder() + "\\app\\data\\menu.txt", "old menu");
  write_file(version_folder() + ".old", "in the way");
  expect_failed_end(run("whole.zip"));
  EXPECT_EQ(state_.text(ctl::status).rfind("无法替换版本目录，其中的文件可能正在使用：" +
                                              version_folder(),
                                          0),
            0u)
      << state_.text(ctl::status);
  EXPECT_EQ(read_file(version_folder() + "\\app\\data\\menu.txt"), "old menu");
  EXPECT_TRUE(folder_exists(version_folder() + "\\app\\success"));
  EXPECT_FALSE(folder_exists(version_folder() + ".new"));
  DeleteFileA((version_folder() + ".old").c_str());
}

// What a kill between the two renames leaves is finished or undone (the run and the start-up
// call this for the folders they meet): an incomplete stage gives the old content back, a
// complete one takes its place.
TEST_F(StagedRun, InterruptedSwapIsFinishedOrUndone) {
  ASSERT_EQ(run("whole.zip"), RunOutcome::finished);
  const std::string v = version_folder();
  const std::string installed = read_file(v + "\\app\\TILLWRIGHT.exe");
  for (bool stage_complete : {false, true}) {
    SCOPED_TRACE(stage_complete);
    ASSERT_TRUE(MoveFileExA(v.c_str(), (v + ".old").c_str(), 0));
    make_folders(v + ".new\\app");
    write_file(v + ".new\\app\\TILLWRIGHT.exe", "staged client");
    if (stage_complete) make_folders(v + ".new\\app\\success");
    recover_version_folder(state_, v);
    EXPECT_EQ(read_file(v + "\\app\\TILLWRIGHT.exe"), stage_complete ? "staged client" : installed);
    EXPECT_TRUE(folder_exists(v + "\\app\\success"));
    EXPECT_FALSE(folder_exists(v + ".new"));
    EXPECT_FALSE(folder_exists(v + ".old"));
  }
}

// A failed client-name query mid-run leaves the inputs disabled until the run ends, so the
// address that the package comes from is the one recorded.
TEST_F(StagedRun, InputsStayDisabledWhileTheRunGoesOn) {
  bool enabled_mid_run = false;
  state_.on_pump = [&] {
    if (state_.running())
      for (int id : kInputs) enabled_mid_run |= state_.enabled(id);
  };
  state_.set_text(ctl::service_address, "http://127.0.0.1:9/");  // nothing listens: 12029
  EXPECT_EQ(run_sequence(state_), RunOutcome::failed);
  EXPECT_FALSE(enabled_mid_run);
  for (int id : kInputs) EXPECT_TRUE(state_.enabled(id)) << id;
}

}  // namespace
}  // namespace kestrion::test
