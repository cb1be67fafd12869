// The unattended install ("/S", "/D=<folder>") of the real program against the sample service:
// nothing on the screen, every box's text in the log, and the exit code that says how it ended.
#include "e2e.h"

namespace kestrion::test {
namespace {

constexpr char kBoxLine[] = "\r\n静默安装提示 >>>> ：";
constexpr char kEndLine[] = "\r\n静默安装结束 >>>> ：退出码 ";

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A folder whose blanks make the shell split "/S /D=<it>" into 8 items, as many as an upgrade's.
TEST_F(EndToEnd, UnattendedInstallShowsNothingAndEndsWithZero) {
  serve("full.zip", "2.1.5", "true");
  const std::string folder = till_.path() + "\\Store IT\\A B C D E";
  Installer setup(store_.path(), setup_name());
  setup.start_line("/s /D=" + folder);
  const Installer::Exit exit = setup.wait_exit_watching();
  EXPECT_EQ(exit.code, 0u);
  EXPECT_EQ(exit.shown, "");

  // The folder that did not exist is made; the install is the one a person's Run gives.
  const std::string v = folder + "\\Tillwright\\" + host() + "\\2_1_5";
  EXPECT_EQ(list_tree(v), (std::vector<std::string>{"app\\", "app\\TILLWRIGHT.exe", "app\\data\\",
                                                    "app\\data\\menu.txt", "app\\readme.txt",
                                                    "app\\success\\", "posconfig.json"}));
  EXPECT_EQ(read_file(register_path()), register_bytes({{v, service_.base_url()}}));
  expect_link("unattended.lnk", v + "\\app");
  EXPECT_FALSE(file_exists(v + "\\app\\launched.txt"));  // an install does not start the client

  const std::string log = setup.log();
  EXPECT_TRUE(contains(log, "\r\n静默安装 >>>> ：安装目录 " + folder + "\r\n")) << log;
  EXPECT_TRUE(contains(log, kBoxLine + std::string(kInstalled)));
  EXPECT_TRUE(contains(log, kEndLine + std::string("0，") + kInstalled)) << log;
  EXPECT_FALSE(contains(log, "升级启动程序入参"));  // no upgrade arguments were counted
}

// An earlier installation of the service: without "/D" the install goes where it is, asking
// nothing; with "/D" elsewhere the given folder wins, the question's text only in the log.
TEST_F(EndToEnd, UnattendedOverAnEarlierInstallation) {
  install_full_2_1_5();
  serve("upgrade.zip", "2.1.6", "true");
  Installer here(store_.path(), setup_name());
  here.start_line("/S");
  Installer::Exit exit = here.wait_exit_watching();
  EXPECT_EQ(exit.code, 0u);
  EXPECT_EQ(exit.shown, "");
  EXPECT_EQ(read_file(version_folder("2_1_6") + "\\app\\readme.txt"), "upgrade 2.2.0\r\n");
  EXPECT_FALSE(contains(here.log(), "发现安装过此环境的之前版本"));

  TempFolder elsewhere("else");
  serve("full.zip", "2.1.7", "true");
  Installer there(store_.path(), setup_name());
  there.start_line("/S /D=" + elsewhere.path());
  exit = there.wait_exit_watching();
  EXPECT_EQ(exit.code, 0u);
  EXPECT_EQ(exit.shown, "");
  const std::string v = elsewhere.path() + "\\Tillwright\\" + host() + "\\2_1_7";
  EXPECT_TRUE(file_exists(v + "\\app\\TILLWRIGHT.exe"));
  EXPECT_FALSE(folder_exists(version_folder("2_1_7")));
  const std::string question = kBoxLine + std::string("发现安装过此环境的之前版本,但现在的安装目录与之前不一样，") +
                               "\r\n确定要在新的目录下安装?\r\n之前安装目录" + root() + "\\" + host();
  EXPECT_TRUE(contains(there.log(), question)) << there.log();
}

// A failing step ends the process with that step's code, the window never shown, the boxes'
// texts and the failure in the log.
TEST_F(EndToEnd, UnattendedFailuresEndWithTheirStepsCode) {
  struct Case {
    const char* name;
    std::string settings;  // merged into the service's settings after serving full.zip 2.1.5
    DWORD code;
    std::string status;  // the status line at the end
    std::string box;     // a box text that went to the log, "" for none in particular
    bool installed;      // the version folder holds the client all the same
  } cases[] = {
      {"no package address", R"({"routes": {"package": {"body": "<html>gateway error</html>"}}})",
       23, "正在获取安装包下载地址结束", "服务端安装包不存在，无法下载安装！", false},
      {"package 404", R"({"routes": {"/files/full.zip": {"status": 404}}})", 24,
       "下载TILLWRIGHT.zip文件失败！", "服务器返回 HTTP 状态 404", false},
      {"corrupt zip", R"({"package_url": "{base}/files/corrupt.zip"})", 25,
       "解压文件失败,安装失败！", "", false},
      {"shortcut refused", R"({"client_name": "a:b"})", 27, "创建桌面登陆快捷方式失败,安装失败！",
       "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    service_.reset();
    serve("full.zip", "2.1.5", "true");
    service_.configure(c.settings);
    DeleteFileA((store_ / "log\\log.txt").c_str());
    Installer setup(store_.path(), setup_name());
    setup.start_line("/S /D=" + till_.path());
    const Installer::Exit exit = setup.wait_exit_watching();
    EXPECT_EQ(exit.code, c.code);
    EXPECT_EQ(exit.shown, "");
    const std::string log = setup.log();
    EXPECT_TRUE(contains(log, kEndLine + std::to_string(c.code) + "，" + c.status)) << log;
    if (!c.box.empty()) {
      EXPECT_TRUE(contains(log, kBoxLine + c.box)) << log;
    }
    EXPECT_EQ(file_exists(version_folder("2_1_5") + "\\app\\TILLWRIGHT.exe"), c.installed);
    remove_tree(root());
    DeleteFileA(register_path().c_str());
  }

  // A register the run may read but not replace: the files are in place, the install is not
  // recorded, and that is a failure of its own.
  serve("full.zip", "2.1.5", "true");
  make_folders(appdata_folder() + "\\Tillwright");
  const std::string other = register_bytes({{"C:\\pos\\Tillwright\\h\\1_0", "http://10.0.0.9:8080/"}});
  write_file(register_path(), other);
  SetFileAttributesA(register_path().c_str(), FILE_ATTRIBUTE_READONLY);
  Installer setup(store_.path(), setup_name());
  setup.start_line("/S /D=" + till_.path());
  const Installer::Exit exit = setup.wait_exit_watching();
  SetFileAttributesA(register_path().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(exit.code, 26u);
  EXPECT_EQ(exit.shown, "");
  EXPECT_EQ(read_file(register_path()), other);
  EXPECT_TRUE(contains(setup.log(), kEndLine + std::string("26，写公共配置文件失败，安装失败！")));
}

// Refused before anything is done: an unknown switch (with the usage in the log), and a second
// start of the same setup file while one runs.
TEST_F(EndToEnd, UnattendedRefusesAnUnknownSwitchAndASecondStart) {
  serve("full.zip", "2.1.5", "true");
  Installer setup(store_.path(), setup_name());
  setup.start_line("/S /X /D=" + till_.path());
  Installer::Exit exit = setup.wait_exit_watching();
  EXPECT_EQ(exit.code, 10u);
  EXPECT_EQ(exit.shown, "");
  EXPECT_TRUE(contains(setup.log(), "\r\n静默安装参数无法识别 >>>> ：/X\r\n用法：setup(代码).exe /S [/D=安装目录]"))
      << setup.log();
  EXPECT_FALSE(folder_exists(root()));
  EXPECT_TRUE(service_.requests().empty());

  Installer person(store_.path(), setup_name(), Installer::Existing{});
  person.start();
  ASSERT_TRUE(person.dialog());
  Installer second(store_.path(), setup_name(), Installer::Existing{});
  second.start_line("/S");
  exit = second.wait_exit_watching();
  EXPECT_EQ(exit.code, 11u);
  EXPECT_EQ(exit.shown, "");
  EXPECT_TRUE(contains(second.log(), kBoxLine + std::string("已经启动一个应用程序")));
  EXPECT_TRUE(person.process().running());
  PostMessageA(person.dialog(), WM_CLOSE, 0, 0);
  EXPECT_EQ(person.wait_exit(), 0u);
}

}  // namespace
}  // namespace kestrion::test
