// The whole program under Wine in a real window, against the sample service on 127.0.0.1:
// what a store sees (texts, boxes, exit code) and what it gets on disk (the installed tree,
// posclient.json and posconfig.json byte for byte, the shortcut, the log).
#include "e2e.h"

#include <algorithm>
#include <set>

namespace kestrion::test {
namespace {

TEST_F(EndToEnd, InstallModeWithAFullPackage) {
  serve("full.zip", "2.1.5", "true");
  Installer setup(store_.path(), setup_name());
  setup.start();
  ASSERT_TRUE(setup.dialog());
  EXPECT_EQ(setup.text(IDC_SERVICE_ADDRESS), service_.base_url());
  EXPECT_EQ(window_text(setup.dialog()), "Lumivar-POS安装程序");
  install(setup);

  const std::string v = version_folder("2_1_5");
  EXPECT_EQ(list_tree(v), (std::vector<std::string>{"app\\", "app\\TILLWRIGHT.exe", "app\\data\\",
                                                    "app\\data\\menu.txt", "app\\readme.txt",
                                                    "app\\success\\", "posconfig.json"}));
  EXPECT_EQ(read_file(v + "\\app\\data\\menu.txt"), "菜单 1\r\n");
  EXPECT_EQ(read_file(register_path()), register_bytes({{v, service_.base_url()}}));
  const std::string config = read_file(v + "\\posconfig.json");
  Times t = config_times(config);
  EXPECT_EQ(t.create, t.edit);
  EXPECT_EQ(config, config_bytes(t.create, t.edit, v, "", service_.base_url(), "2.1.5"));
  expect_link("install_full.lnk", v + "\\app");

  const std::string log = setup.log();
  EXPECT_NE(log.find("\r\n桌面快捷方式 >>>> ：门店收银"), std::string::npos) << log;
  EXPECT_NE(log.find("\r\n安装包下载地址 >>>> ：" + service_.url("/files/full.zip")),
            std::string::npos);
  // The client is not started in install mode.
  EXPECT_FALSE(file_exists(v + "\\app\\launched.txt"));
}

// A partial package is laid over a copy of the previous installation: the package's files
// replace theirs, the others stay, posconfig.json's createtime carries over.
TEST_F(EndToEnd, PartialPackageOverThePreviousInstallation) {
  install_full_2_1_5();
  const std::string old = version_folder("2_1_5");
  const Times before = config_times(read_file(old + "\\posconfig.json"));
  write_file(old + "\\TILLWRIGHT.zip", "a stale package left behind");
  Sleep(1100);  // the edit time must differ from the creation time

  serve("partial.zip", "2.1.6", "false");
  Installer second(store_.path(), setup_name());
  second.start();
  // posclient.json names the earlier install: it is proposed, and remembered as the previous one.
  EXPECT_EQ(second.text(IDC_PREVIOUS_FOLDER), old);
  EXPECT_EQ(second.text(IDC_INSTALL_FOLDER), root() + "\\" + host());
  second.press_run();
  EXPECT_EQ(second.answer_box(IDOK).text, kInstalled);
  EXPECT_EQ(second.wait_exit(), 1u);

  const std::string v = version_folder("2_1_6");
  EXPECT_EQ(list_tree(v), (std::vector<std::string>{"app\\", "app\\TILLWRIGHT.exe", "app\\data\\",
                                                    "app\\data\\menu.txt", "app\\patch.txt",
                                                    "app\\readme.txt", "app\\success\\",
                                                    "posconfig.json"}));
  EXPECT_EQ(read_file(v + "\\app\\readme.txt"), "partial 2.1.6\r\n");
  EXPECT_EQ(read_file(register_path()), register_bytes({{v, service_.base_url()}}));
  const Times t = config_times(read_file(v + "\\posconfig.json"));
  EXPECT_EQ(t.create, before.create);
  EXPECT_NE(t.edit, before.create);
  // The previous installation is untouched.
  EXPECT_EQ(read_file(old + "\\app\\readme.txt"), "full 2.1.5\r\n");
}

// A service that sends is_full as a JSON boolean: true installs the package alone, false lays
// it over the previous installation.
TEST_F(EndToEnd, FullPackageFlagAsABoolean) {
  serve("full.zip", "2.1.5", "true");
  service_.configure(R"({"is_full": true})");
  Installer first(store_.path(), setup_name());
  first.start();
  install(first);
  EXPECT_EQ(read_file(version_folder("2_1_5") + "\\app\\readme.txt"), "full 2.1.5\r\n");

  serve("partial.zip", "2.1.6", "false");
  service_.configure(R"({"is_full": false})");
  Installer second(store_.path(), setup_name());
  second.start();
  second.press_run();
  EXPECT_EQ(second.answer_box(IDOK).text, kInstalled);
  EXPECT_EQ(second.wait_exit(), 1u);
  const std::string v = version_folder("2_1_6");
  EXPECT_EQ(read_file(v + "\\app\\readme.txt"), "partial 2.1.6\r\n");
  EXPECT_TRUE(file_exists(v + "\\app\\data\\menu.txt"));  // from the previous installation
}

// Upgrade mode, as the installed client starts it: no package query, the package laid over the
// installed version, the new client started, no box, exit code 1.
TEST_F(EndToEnd, UpgradeWithADownloadStartsTheNewClient) {
  install_full_2_1_5();
  service_.reset();
  serve("full.zip", "9.9.9", "true");  // the package query must not be asked
  service_.configure(R"({"routes": {"/files/upgrade.zip": {"delay_ms": 2500}}})");
  const std::string old = version_folder("2_1_5");
  Installer upgrade(store_.path(), setup_name());
  upgrade.start({service_.base_url(), service_.url("/files/upgrade.zip"), "2.2.0", old, "2.1.5",
                 "Y", "-1.0"});
  // It runs by itself, its fields filled and locked, shows no box and ends once the new client
  // has been started. (The package comes slowly, so the dialog can be seen meanwhile.)
  ASSERT_TRUE(upgrade.dialog());
  EXPECT_EQ(window_text(upgrade.dialog()), "Lumivar-POS升级程序");
  EXPECT_EQ(upgrade.text(IDC_SERVICE_ADDRESS), service_.base_url());
  EXPECT_EQ(upgrade.text(IDC_INSTALL_FOLDER), root() + "\\" + host());
  for (int id : {IDC_SERVICE_ADDRESS, IDC_INSTALL_FOLDER, IDC_BROWSE}) {
    EXPECT_FALSE(upgrade.enabled(id)) << id;
  }
  // Run stays enabled until timer 2 starts the run, about 100 ms after the dialog opened.
  for (int i = 0; i < 100 && upgrade.enabled(IDC_RUN); ++i) Sleep(20);
  EXPECT_FALSE(upgrade.enabled(IDC_RUN));
  EXPECT_EQ(upgrade.wait_exit(), 1u);

  const std::string v = version_folder("2_2_0");
  EXPECT_EQ(read_file(v + "\\app\\readme.txt"), "upgrade 2.2.0\r\n");
  EXPECT_TRUE(file_exists(v + "\\app\\data\\menu.txt"));  // copied from the installed version
  EXPECT_NE(client_start_record(v).find("TILLWRIGHT.exe"), std::string::npos);
  EXPECT_EQ(read_file(register_path()), register_bytes({{v, service_.base_url()}}));
  for (const auto& r : service_.requests()) {
    EXPECT_EQ(r.path.find("posinstall"), std::string::npos) << r.path;
  }
  const std::string config = read_file(v + "\\posconfig.json");
  const Times t = config_times(config);
  EXPECT_EQ(config, config_bytes(t.create, t.edit, v, "", service_.base_url(), "2.2.0"));
  expect_link("upgrade.lnk", v + "\\app");
}

// Upgrade without a download into a folder that holds no finished installation: nothing is
// written, and instead of ending the dialog shows itself with the reason, in the status line and
// a box; closed by the person, it ends as an idle dialog does.
TEST_F(EndToEnd, UpgradeWithoutADownloadIntoAnIncompleteFolderSaysSo) {
  install_full_2_1_5();
  const std::string register_before = read_file(register_path());
  const std::string missing = version_folder("2_0_9");
  Installer finish(store_.path(), setup_name());
  finish.start({service_.base_url(), service_.url("/files/full.zip"), "2.0.9", missing, "2.0.8",
                "N", "-1.0"});
  ASSERT_TRUE(finish.dialog());
  const MessageBoxInfo box = finish.answer_box(IDOK);
  const std::string reason = "已安装的客户端不完整，无法完成升级：" + missing;
  EXPECT_EQ(box.text, reason);
  EXPECT_EQ(finish.text(IDC_STATUS), reason);
  EXPECT_TRUE(IsWindowVisible(finish.dialog()));
  EXPECT_TRUE(finish.process().running());
  EXPECT_FALSE(folder_exists(missing));
  EXPECT_EQ(read_file(register_path()), register_before);
  PostMessageA(finish.dialog(), WM_CLOSE, 0, 0);
  EXPECT_NE(finish.wait_exit(), 1u);
}

// Upgrade without a download: posconfig.json rewritten, the shortcut made again, the client
// started, nothing shown, exit code 1.
TEST_F(EndToEnd, UpgradeWithoutADownloadOnlyFinishes) {
  install_full_2_1_5();
  const std::string v = version_folder("2_1_5");
  const std::string register_before = read_file(register_path());
  DeleteFileA((desktop_folder() + "\\" + kShortcutName + ".lnk").c_str());
  Installer finish(store_.path(), setup_name());
  finish.start({service_.base_url(), service_.url("/files/full.zip"), "2.1.5", v, "2.1.5", "N",
                "3.0", "SERVICE_CENTER"},
               false);
  const Installer::Exit exit = finish.wait_exit_watching();
  EXPECT_EQ(exit.code, 1u);
  EXPECT_EQ(exit.shown, "");
  EXPECT_NE(client_start_record(v).find("TILLWRIGHT.exe"), std::string::npos);
  EXPECT_EQ(read_file(register_path()), register_before);
  const std::string config = read_file(v + "\\posconfig.json");
  const Times t = config_times(config);
  EXPECT_EQ(config, config_bytes(t.create, t.edit, v, "3.0", service_.base_url(), "2.1.5",
                                 "SERVICE_CENTER"));
  EXPECT_TRUE(file_exists(desktop_folder() + "\\" + kShortcutName + ".lnk"));
  // The eight argument lines, then the client-name query's own.
  const std::string log = finish.log();
  const size_t args_at = log.find("\r\n升级启动程序入参：arg_upgradeurl >>>> ：" + service_.base_url() +
                                  "\r\n升级启动程序入参：arg_upgradefileurl >>>> ：");
  ASSERT_NE(args_at, std::string::npos) << log;
  EXPECT_NE(log.find("\r\n升级启动程序入参：arg_requestservice >>>> ：SERVICE_CENTER", args_at),
            std::string::npos);
}

// Failures leave the dialog usable, with the four inputs enabled and nothing lost; a second
// Run with the fault gone succeeds.
TEST_F(EndToEnd, FailuresThenASecondRunSucceeds) {
  const std::string download_failed = "下载TILLWRIGHT.zip文件失败！";
  struct Case {
    const char* name;
    std::string route;     // a route that breaks the first run
    std::string status;    // the status line it ends with
    bool box;              // it shows a box of its own first
  } cases[] = {
      {"missing package", R"({"routes": {"/files/full.zip": {"status": 404, "times": 1}}})",
       download_failed, true},
      {"corrupt package", R"({"package_url": "{base}/files/corrupt.zip"})",
       "解压文件失败,安装失败！", false},
      {"shortcut refused", R"({"client_name": "a:b"})", "创建桌面登陆快捷方式失败,安装失败！", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    service_.reset();
    serve("full.zip", "2.1.5", "true");
    service_.configure(c.route);
    Installer setup(store_.path(), setup_name());
    setup.start();
    setup.set(IDC_INSTALL_FOLDER, till_.path());
    setup.press_run();
    if (c.box) {
      EXPECT_TRUE(setup.answer_box(IDOK).hwnd);
    }
    ASSERT_TRUE(setup.wait_failed(c.status)) << setup.text(IDC_STATUS);
    for (int id : {IDC_RUN, IDC_BROWSE, IDC_SERVICE_ADDRESS, IDC_INSTALL_FOLDER}) {
      EXPECT_TRUE(setup.enabled(id)) << id;
    }
    EXPECT_TRUE(setup.process().running());

    service_.reset();
    serve("full.zip", "2.1.5", "true");
    setup.press_run();
    EXPECT_EQ(setup.answer_box(IDOK).text, kInstalled);
    EXPECT_EQ(setup.wait_exit(), 1u);
    EXPECT_TRUE(file_exists(version_folder("2_1_5") + "\\app\\TILLWRIGHT.exe"));
    DeleteFileA(register_path().c_str());
  }
}

TEST_F(EndToEnd, UnreachableServiceThenTheRightAddress) {
  serve("full.zip", "2.1.5", "true");
  Installer setup(store_.path(), setup_name());
  setup.start();
  setup.set(IDC_INSTALL_FOLDER, till_.path());
  setup.set(IDC_SERVICE_ADDRESS, "http://127.0.0.1:9/");
  setup.press_run();
  // The client-name query fails first, then the package query six times, with pauses between
  // them (about 15 s in all) during which the window answers at once and shows the try.
  std::set<std::string> shown;
  DWORD slowest = 0;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kRunMs && !wait_message_box(setup.process().pid(), 0).hwnd) {
    const DWORD asked = GetTickCount();
    shown.insert(setup.text(IDC_STATUS));
    slowest = std::max(slowest, GetTickCount() - asked);
    Sleep(50);
  }
  EXPECT_GE(GetTickCount() - start, 11000u);
  EXPECT_LE(slowest, 250u);
  for (int attempt = 2; attempt <= 6; ++attempt) {
    EXPECT_EQ(shown.count("正在获取安装包下载地址：第 " + std::to_string(attempt) + " 次，共 6 次……"),
              1u)
        << attempt;
  }
  MessageBoxInfo box = setup.answer_box(IDOK);
  EXPECT_EQ(box.text, "服务端安装包不存在，无法下载安装！");
  ASSERT_TRUE(setup.wait_failed(test::wininet_text(ERROR_INTERNET_CANNOT_CONNECT)));
  setup.set(IDC_SERVICE_ADDRESS, service_.base_url());
  setup.press_run();
  EXPECT_EQ(setup.answer_box(IDOK).text, kInstalled);
  EXPECT_EQ(setup.wait_exit(), 1u);
}

// A version folder that posclient.json gives to another service is refused (110) and the
// register stays as it was.
TEST_F(EndToEnd, FolderRegisteredForAnotherService) {
  serve("full.zip", "2.1.5", "true");
  const std::string v = version_folder("2_1_5");
  make_folders(appdata_folder() + "\\Tillwright");
  const std::string other = register_bytes({{v, "http://10.0.0.9:8080/"}});
  write_file(register_path(), other);
  Installer setup(store_.path(), setup_name());
  setup.start();
  setup.set(IDC_INSTALL_FOLDER, till_.path());
  setup.press_run();
  EXPECT_TRUE(setup.answer_box(IDOK).hwnd);  // the check's own box
  ASSERT_TRUE(setup.wait_failed("写公共配置文件失败，安装失败！")) << setup.text(IDC_STATUS);
  EXPECT_EQ(read_file(register_path()), other);
  setup.process().kill();
}

// The close box during a run is refused with 115 and the run goes on; Enter never closes.
TEST_F(EndToEnd, CloseGuardDuringARunAndEnter) {
  serve("full.zip", "2.1.5", "true");
  service_.configure(R"({"routes": {"/files/full.zip": {"delay_ms": 3000}}})");
  Installer setup(store_.path(), setup_name());
  setup.start();
  PostMessageA(setup.dialog(), WM_COMMAND, IDOK, 0);
  Sleep(300);
  EXPECT_TRUE(IsWindow(setup.dialog()));
  setup.set(IDC_INSTALL_FOLDER, till_.path());
  setup.press_run();
  Sleep(1000);
  PostMessageA(setup.dialog(), WM_CLOSE, 0, 0);
  MessageBoxInfo refused = setup.answer_box(IDOK);
  EXPECT_EQ(refused.text, "程序正在运行过程中不能退出！");
  EXPECT_EQ(setup.answer_box(IDOK).text, kInstalled);
  EXPECT_EQ(setup.wait_exit(), 1u);
}

// Closing the idle dialog ends the process of the companion installer, a dialog with its title
// (exit code 4); a window of another class with the same title (an Explorer folder of that
// name) and its process are left alone.
TEST_F(EndToEnd, CloseWhenIdleEndsOnlyTheCompanionDialogsProcess) {
  const char* title = "Lumivar智能Quorra安装程序";
  const std::string program = "\"" + build_folder() + "\\tests\\e2e\\title_window.exe\" ";
  Process folder_window(program + "--plain \"" + title + "\"");
  ASSERT_TRUE(wait_window(folder_window.pid(), "CabinetWClass", title, kStartMs));
  {
    Installer setup(store_.path(), setup_name());
    setup.start();
    PostMessageA(setup.dialog(), WM_CLOSE, 0, 0);
    EXPECT_EQ(setup.wait_exit(), 0u);
  }
  EXPECT_TRUE(folder_window.running());

  Process companion(program + "\"" + title + "\"");
  ASSERT_TRUE(wait_window(companion.pid(), "#32770", title, kStartMs));
  Installer setup(store_.path(), setup_name());
  setup.start();
  PostMessageA(setup.dialog(), WM_CLOSE, 0, 0);
  EXPECT_EQ(setup.wait_exit(), 0u);
  EXPECT_EQ(companion.wait(kStartMs), 4u);
  EXPECT_TRUE(folder_window.running());
}

// A press of a mouse button on the tray icon brings the dialog to the front: shown when it was
// hidden in the tray, restored when it was minimised, and above other windows (the topmost
// band). Other mouse messages do nothing.
TEST_F(EndToEnd, TrayClickBringsTheDialogToTheFront) {
  constexpr UINT kTrayCallback = WM_USER + 1;
  Installer setup(store_.path(), setup_name());
  setup.start();
  const HWND d = setup.dialog();
  for (int i = 0; i < 100 && !IsWindowVisible(d); ++i) Sleep(20);  // shown once it is idle
  auto wait_for = [](auto condition) {
    for (int i = 0; i < 100 && !condition(); ++i) Sleep(20);
    return condition();
  };
  auto topmost = [d] { return (GetWindowLongA(d, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  auto in_front = [&] { return IsWindowVisible(d) && !IsIconic(d) && topmost(); };
  auto put_away = [&](int how) {
    SetWindowPos(d, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindowAsync(d, how);
    return wait_for([&] { return how == SW_HIDE ? !IsWindowVisible(d) : IsIconic(d) != FALSE; });
  };
  for (LPARAM button : {WM_LBUTTONDOWN, WM_RBUTTONDOWN}) {
    SCOPED_TRACE(button);
    ASSERT_TRUE(put_away(SW_HIDE));
    PostMessageA(d, kTrayCallback, 1, button);
    EXPECT_TRUE(wait_for(in_front));
    // Without a window manager (Xvfb) Wine does not minimise a window; where it does, the press
    // restores it.
    if (put_away(SW_MINIMIZE)) {
      PostMessageA(d, kTrayCallback, 1, button);
      EXPECT_TRUE(wait_for(in_front));
    }
  }
  ASSERT_TRUE(put_away(SW_HIDE));
  for (LPARAM other : {WM_MOUSEMOVE, WM_LBUTTONUP, WM_RBUTTONUP}) {
    PostMessageA(d, kTrayCallback, 1, other);
  }
  Sleep(300);
  EXPECT_FALSE(IsWindowVisible(d));
  EXPECT_FALSE(topmost());
  setup.process().kill();
}

// An earlier install of the service elsewhere: the prompt on Run. No puts the earlier folder
// into the install folder and ends the run; Yes installs into the new folder.
TEST_F(EndToEnd, PreviousInstallPromptNoThenYes) {
  install_full_2_1_5();
  TempFolder elsewhere("else");
  Installer setup(store_.path(), setup_name());
  setup.start();
  setup.set(IDC_INSTALL_FOLDER, elsewhere.path());
  setup.press_run();
  MessageBoxInfo no = setup.answer_box(IDNO);
  EXPECT_EQ(no.text.rfind("发现安装过此环境的之前版本", 0), 0u) << no.text;
  Sleep(300);
  EXPECT_EQ(setup.text(IDC_INSTALL_FOLDER), root() + "\\" + host());
  EXPECT_TRUE(setup.enabled(IDC_RUN));

  setup.set(IDC_INSTALL_FOLDER, elsewhere.path());
  setup.press_run();
  EXPECT_TRUE(setup.answer_box(IDYES).hwnd);
  EXPECT_EQ(setup.answer_box(IDOK).text, kInstalled);
  EXPECT_EQ(setup.wait_exit(), 1u);
  EXPECT_TRUE(file_exists(elsewhere.path() + "\\Tillwright\\" + host() + "\\2_1_5\\app\\TILLWRIGHT.exe"));
}

// Pictures of the dialog a person can look at (Chinese here; English in the English run).
TEST_F(EndToEnd, Screenshot) {
  Installer setup(store_.path(), setup_name());
  setup.start();
  Sleep(800);
  const std::string name = GetACP() == 936 ? "dialog-zh.bmp" : "dialog-en.bmp";
  const std::string shots = build_folder() + "\\screenshots";
  make_folders(shots);
  EXPECT_TRUE(save_window_bitmap(setup.dialog(), shots + "\\" + name));
}

}  // namespace
}  // namespace kestrion::test
