// Faults of every kind against the real program in a real window, each met on a till where
// version 2.1.5 already works. Each ends either as a clear failure (its text in the status line,
// Run enabled, the working installation byte for byte as it was, the register parsing with its
// entries, and a Run that succeeds once the fault is gone) or as the success the behaviour gives
// for it (the case says which).
#include "e2e.h"
#include "win/handles.h"

namespace kestrion::test {
namespace {

constexpr char kMounts[] = "\\tests\\win\\e2e\\mounts\\";
constexpr char kNewFolderQuestion[] = "发现安装过此环境的之前版本,但现在的安装目录与之前不一样";

// How a run ended, as the person at the till saw it.
struct RunEnd {
  std::vector<std::string> boxes;  // the texts of the boxes it showed, each answered with OK
  std::string status;
  bool exited = false;
  DWORD exit_code = 0;
};

// Presses Run and follows the run to its end: every box is answered (Yes to the question about
// a new folder, OK to the others), until the process ends (a finished run) or Run is enabled
// again with no box open (a failed one).
RunEnd run_to_end(Installer& setup) {
  RunEnd end;
  setup.press_run();
  const DWORD start = GetTickCount();
  bool started = false;
  while (GetTickCount() - start < kRunMs) {
    MessageBoxInfo box = wait_message_box(setup.process().pid(), 50);
    if (box.hwnd) {
      end.boxes.push_back(box.text);
      answer(box, box.text.rfind(kNewFolderQuestion, 0) == 0 ? IDYES : IDOK);
      for (int i = 0; i < 100 && IsWindow(box.hwnd); ++i) Sleep(20);
      started = true;
      continue;
    }
    if (!setup.process().running()) {
      end.exited = true;
      end.exit_code = setup.wait_exit(1000);
      return end;
    }
    const bool run_enabled = setup.enabled(IDC_RUN);
    if (!run_enabled) started = true;
    if (started && run_enabled) {
      Sleep(300);  // no box comes after the end of a failed run
      if (!wait_message_box(setup.process().pid(), 0).hwnd && setup.enabled(IDC_RUN)) break;
    }
  }
  end.status = setup.text(IDC_STATUS);
  return end;
}

// A folder's files and folders with their bytes, the downloaded package left out.
std::vector<std::string> tree_bytes(const std::string& folder) {
  std::vector<std::string> out;
  for (const std::string& p : list_tree(folder)) {
    if (p == "TILLWRIGHT.zip") continue;
    out.push_back(p + "=" + (p.back() == '\\' ? "" : read_file(folder + "\\" + p)));
  }
  return out;
}

std::string mount_state(const std::string& name) {
  std::string state = read_file(build_folder() + kMounts + name + ".state");
  while (!state.empty() && (state.back() == '\n' || state.back() == '\r')) state.pop_back();
  return state;
}

class Faults : public EndToEnd {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    install_full_2_1_5();
    installed_ = tree_bytes(version_folder("2_1_5"));
    register_ = read_file(register_path());
    ASSERT_FALSE(installed_.empty());
  }

  // The installer started for the next run, its fields as the dialog proposes them.
  Installer& start() {
    setup_ = std::make_unique<Installer>(store_.path(), setup_name());
    setup_->start();
    return *setup_;
  }

  // A failed end: its text, Run enabled, the process alive, nothing lost.
  void expect_clear_failure(const RunEnd& end, const std::string& status) {
    EXPECT_FALSE(end.exited) << "exit code " << end.exit_code;
    EXPECT_NE(end.status, kInstalled);
    EXPECT_EQ(end.status.rfind(status, 0), 0u) << end.status;
    for (int id : {IDC_RUN, IDC_BROWSE, IDC_SERVICE_ADDRESS, IDC_INSTALL_FOLDER}) {
      EXPECT_TRUE(setup_->enabled(id)) << id;
    }
    expect_nothing_lost();
  }
  void expect_nothing_lost() {
    EXPECT_EQ(tree_bytes(version_folder("2_1_5")), installed_);
    EXPECT_EQ(read_file(register_path()), register_);
    EXPECT_FALSE(folder_exists(version_folder("2_1_5") + ".new"));
    EXPECT_FALSE(folder_exists(version_folder("2_1_6") + ".new"));
  }
  // With the fault gone, Run in the same dialog installs 2.1.6.
  void expect_next_run_succeeds() {
    service_.reset();
    serve("upgrade.zip", "2.1.6", "true");
    const RunEnd end = run_to_end(*setup_);
    ASSERT_TRUE(end.exited) << end.status;
    EXPECT_EQ(end.exit_code, 1u);
    ASSERT_FALSE(end.boxes.empty());
    EXPECT_EQ(end.boxes.back(), kInstalled);
    EXPECT_TRUE(file_exists(version_folder("2_1_6") + "\\app\\TILLWRIGHT.exe"));
    EXPECT_TRUE(folder_exists(version_folder("2_1_6") + "\\app\\success"));
  }

  std::unique_ptr<Installer> setup_;
  std::vector<std::string> installed_;
  std::string register_;
};

constexpr char kNoPackage[] = "服务端安装包不存在，无法下载安装！";
constexpr char kDownloadFailed[] = "下载TILLWRIGHT.zip文件失败！";
constexpr char kExtractFailed[] = "解压文件失败,安装失败！";
constexpr char kRegisterFailed[] = "写公共配置文件失败，安装失败！";
constexpr char kCheckFailed[] = "安装包校验失败，未安装：";

// Faults of the service and of the package, as routes of the sample service.
TEST_F(Faults, ServiceAndPackageFaultsFailClearly) {
  const std::string garbage = R"({"body": "<html>gateway error</html>"})";
  const std::string truncated = R"({"body": "{\"code\": 0, \"data\": {\"pospack"})";
  const std::string wrong_shape = R"({"json": {"code": 0, "data": ["not", "an", "object"]}})";
  struct Case {
    const char* name;
    std::string settings;  // merged into the service's settings after serving upgrade.zip 2.1.6
    std::string status;    // how the status line starts; "" for a clear failure with any text
    const char* box;       // a box that must have been shown, "" for none in particular
  } cases[] = {
      {"package 404", R"({"routes": {"/files/upgrade.zip": {"status": 404}}})", kDownloadFailed,
       "服务器返回 HTTP 状态 404"},
      {"package 500", R"({"routes": {"/files/upgrade.zip": {"status": 500}}})", kDownloadFailed,
       "服务器返回 HTTP 状态 500"},
      {"package redirected to an error page",
       R"({"routes": {"/files/upgrade.zip": {"status": 302, "headers": {"Location": "/error.html"}},
                      "/error.html": {"body": "<html>maintenance</html>"}}})",
       "", ""},
      {"package cut mid-body", R"({"routes": {"/files/upgrade.zip": {"drop_after": 2000}}})",
       kDownloadFailed, ""},
      {"package query garbage", R"({"routes": {"package": )" + garbage + "}}", "", kNoPackage},
      {"package query truncated", R"({"routes": {"package": )" + truncated + "}}", "", kNoPackage},
      {"package query wrong shape", R"({"routes": {"package": )" + wrong_shape + "}}", "",
       kNoPackage},
      {"package digest differs",
       R"({"sha256": "00000000000000000000000000000000000000000000000000000000000000ff"})",
       kCheckFailed + std::string("SHA-256 与服务端给出的不符"), kCheckFailed},
      {"package size differs", R"({"size": 1000})", kCheckFailed + std::string("大小为 "),
       kCheckFailed},
      {"package sha256 not a digest", R"({"sha256": "abc"})",
       kCheckFailed + std::string("服务端给出的校验值无效：sha256"), kCheckFailed},
      {"corrupt zip", R"({"package_url": "{base}/files/corrupt.zip"})", kExtractFailed, ""},
      {"zip without the client", R"({"package_url": "{base}/files/noclient.zip"})",
       kExtractFailed, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    service_.reset();
    serve("upgrade.zip", "2.1.6", "true");
    service_.configure(c.settings);
    Installer& setup = start();
    const RunEnd end = run_to_end(setup);
    expect_clear_failure(end, c.status);
    if (*c.box) {
      bool shown = false;
      for (const std::string& b : end.boxes) shown |= b.rfind(c.box, 0) == 0;
      EXPECT_TRUE(shown) << c.box;
    }
    EXPECT_FALSE(file_exists(version_folder("2_1_6") + "\\app\\TILLWRIGHT.exe"));
    expect_next_run_succeeds();
    remove_tree(version_folder("2_1_6"));
    write_file(register_path(), register_);
  }
}

// A package whose download is cut twice mid-body is resumed where it broke and installs: the
// retries ask for the rest only, and the digest the service promised holds.
TEST_F(Faults, ACutDownloadResumesAndInstalls) {
  serve("upgrade.zip", "2.1.6", "true");
  service_.configure(R"({"routes": {"/files/upgrade.zip": {"drop_after": 3000, "times": 2}}})");
  const RunEnd end = run_to_end(start());
  ASSERT_TRUE(end.exited) << end.status;
  EXPECT_EQ(end.exit_code, 1u);
  EXPECT_EQ(end.boxes.back(), kInstalled);
  EXPECT_TRUE(folder_exists(version_folder("2_1_6") + "\\app\\success"));
  std::vector<std::string> ranges;
  for (const Request& r : service_.requests())
    if (r.path == "/files/upgrade.zip") ranges.push_back(r.header("Range"));
  ASSERT_EQ(ranges.size(), 3u);
  EXPECT_EQ(ranges[0], "");
  EXPECT_EQ(ranges[1].rfind("bytes=", 0), 0u);
  EXPECT_NE(ranges[1], "bytes=0-");
  EXPECT_EQ(ranges[2].rfind("bytes=", 0), 0u);
}

// The service cannot be reached at all: six package queries, box 109, the system's words.
TEST_F(Faults, ServiceDown) {
  Installer& setup = start();
  setup.set(IDC_SERVICE_ADDRESS, "http://127.0.0.1:9/");
  const RunEnd end = run_to_end(setup);
  expect_clear_failure(end, wininet_text(ERROR_INTERNET_CANNOT_CONNECT));
  ASSERT_FALSE(end.boxes.empty());
  EXPECT_EQ(end.boxes.back(), kNoPackage);
  setup.set(IDC_SERVICE_ADDRESS, service_.base_url());
  expect_next_run_succeeds();
}

// A client-name query that gets no answer is no failure: the host folder name names the
// shortcut, as for a service that names no client.
TEST_F(Faults, NameQueryFaultsInstallUnderTheHostName) {
  for (const char* reply : {R"({"body": "garbage"})", R"({"body": "{\"code\": 0, \"da"})",
                            R"({"json": {"code": 0, "data": {"name": "x"}}})"}) {
    SCOPED_TRACE(reply);
    service_.reset();
    serve("upgrade.zip", "2.1.6", "true");
    service_.configure(std::string(R"({"routes": {"clientname": )") + reply + "}}");
    const RunEnd end = run_to_end(start());
    ASSERT_TRUE(end.exited) << end.status;
    EXPECT_EQ(end.boxes.back(), kInstalled);
    EXPECT_TRUE(file_exists(desktop_folder() + "\\" + host() + ".lnk"));
    DeleteFileA((desktop_folder() + "\\" + host() + ".lnk").c_str());
    remove_tree(version_folder("2_1_6"));
    write_file(register_path(), register_);
  }
}

// Entries that climb out are unpacked inside the version folder: a success.
TEST_F(Faults, EntriesThatClimbOutStayInside) {
  serve("climb.zip", "2.1.6", "true");
  const RunEnd end = run_to_end(start());
  ASSERT_TRUE(end.exited) << end.status;
  EXPECT_EQ(end.boxes.back(), kInstalled);
  EXPECT_EQ(read_file(version_folder("2_1_6") + "\\climbed.txt"), "outside?\r\n");
  EXPECT_EQ(read_file(version_folder("2_1_6") + "\\up.txt"), "up?\r\n");
  EXPECT_FALSE(file_exists(till_.path() + "\\climbed.txt"));
  EXPECT_FALSE(file_exists(root() + "\\climbed.txt"));
  EXPECT_FALSE(file_exists(root() + "\\up.txt"));
}

// The same version again with a corrupt package: the installation stays byte for byte.
TEST_F(Faults, ReinstallWithACorruptPackageKeepsTheInstallation) {
  serve("corrupt.zip", "2.1.5", "true");
  Installer& setup = start();
  expect_clear_failure(run_to_end(setup), kExtractFailed);
  EXPECT_TRUE(folder_exists(version_folder("2_1_5") + "\\app\\success"));
  expect_next_run_succeeds();
}

// A partial package with no installation to lay itself over (the previous folder is gone): 111,
// nothing made.
TEST_F(Faults, PartialPackageWithoutAPreviousInstallation) {
  serve("partial.zip", "2.1.6", "false");
  Installer& setup = start();
  setup.set(IDC_PREVIOUS_FOLDER, root() + "\\" + host() + "\\2_1_4");  // never installed
  expect_clear_failure(run_to_end(setup), "非全包升级复制文件失败，安装失败！");
  expect_next_run_succeeds();
}

// posclient.json in three states the till may leave it in.
TEST_F(Faults, RegisterDamagedReadOnlyOrHeld) {
  // Damaged: kept aside as posclient.json.bad, a new register holds the new entry.
  write_file(register_path(), "{\"pos\": [ {\"foldername\": ");
  serve("upgrade.zip", "2.1.6", "true");
  start().set(IDC_INSTALL_FOLDER, till_.path());  // nothing to propose from a damaged register
  RunEnd end = run_to_end(*setup_);
  ASSERT_TRUE(end.exited) << end.status;
  EXPECT_EQ(read_file(register_path() + ".bad"), "{\"pos\": [ {\"foldername\": ");
  EXPECT_NE(read_file(register_path()).find("2_1_6"), std::string::npos);
  DeleteFileA((register_path() + ".bad").c_str());
  remove_tree(version_folder("2_1_6"));

  // Read-only: never replaced; the run fails with 110 and the register stays.
  write_file(register_path(), register_);
  SetFileAttributesA(register_path().c_str(), FILE_ATTRIBUTE_READONLY);
  Installer& setup = start();
  end = run_to_end(setup);
  SetFileAttributesA(register_path().c_str(), FILE_ATTRIBUTE_NORMAL);
  expect_clear_failure(end, kRegisterFailed);
  expect_next_run_succeeds();
  remove_tree(version_folder("2_1_6"));

  // Held by a reader that does not share deletion (as the C runtime's fopen opens it): the
  // register is rewritten in place, with every entry.
  write_file(register_path(), register_);
  kestrion::win::FileHandle reader(CreateFileA(register_path().c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     0, nullptr));
  ASSERT_TRUE(reader);
  end = run_to_end(start());
  reader.reset();
  ASSERT_TRUE(end.exited) << end.status;
  EXPECT_EQ(read_file(register_path()),
            register_bytes({{version_folder("2_1_6"), service_.base_url()}}));
}

// An install folder the process cannot write (a read-only mount), and a disk too small for the
// package (a 4 MB tmpfs): clear failures, and the till's own folder works afterwards. The folder
// that cannot be written is named before the service is asked anything.
TEST_F(Faults, UnwritableFolderAndFullDisk) {
  struct Case {
    const char* mount;
    const char* package;
  } cases[] = {{"readonly", "upgrade.zip"}, {"small", "big.zip"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mount);
    const std::string state = mount_state(c.mount);
    if (state != "ok") {
      ADD_FAILURE() << "the machine refused the mount: " << state;
      continue;
    }
    const std::string folder = build_folder() + kMounts + c.mount;
    service_.reset();
    serve(c.package, "2.1.6", "true");
    Installer& setup = start();
    setup.set(IDC_INSTALL_FOLDER, folder);
    const RunEnd end = run_to_end(setup);
    expect_clear_failure(end, "");
    EXPECT_FALSE(end.status.empty());
    if (std::string(c.mount) == "readonly") {
      EXPECT_EQ(end.status, "无法写入安装目录：" + folder + "\\Tillwright");
      EXPECT_TRUE(service_.requests().empty());
      EXPECT_EQ(list_tree(folder), std::vector<std::string>{"kept.txt"});
    }
    setup.set(IDC_INSTALL_FOLDER, till_.path());
    expect_next_run_succeeds();
    remove_tree(version_folder("2_1_6"));
    write_file(register_path(), register_);
  }
}

// Two starts of the same setup program at once: one is refused, the other installs.
TEST_F(Faults, TwoStartsAtOnce) {
  serve("upgrade.zip", "2.1.6", "true");
  Installer first(store_.path(), setup_name(), Installer::Existing{});
  Installer second(store_.path(), setup_name(), Installer::Existing{});
  first.start({}, false);
  second.start({}, false);
  // Exactly one of them shows the dialog; the other says it runs already, and ends.
  HWND dialog = wait_window(first.process().pid(), "#32770", "Lumivar-POS安装程序", kStartMs);
  Installer& refused = dialog ? second : first;
  if (!dialog) dialog = wait_window(second.process().pid(), "#32770", "Lumivar-POS安装程序", kStartMs);
  ASSERT_TRUE(dialog);
  const MessageBoxInfo box = refused.wait_box(kStartMs);
  EXPECT_EQ(box.text, "已经启动一个应用程序");
  if (box.hwnd) answer(box, IDOK);
  EXPECT_NE(refused.wait_exit(), STILL_ACTIVE);
  expect_nothing_lost();
  // The one that runs is closed; the next start installs.
  PostMessageA(dialog, WM_CLOSE, 0, 0);
  EXPECT_NE((dialog == wait_window(first.process().pid(), "#32770", nullptr, 0) ? first : second)
                .wait_exit(),
            STILL_ACTIVE);
  start();
  expect_next_run_succeeds();
}

}  // namespace
}  // namespace kestrion::test
