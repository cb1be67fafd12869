// The end-to-end fixture: the real program copied under a setup name into a store folder, the
// sample service serving the packages of make_packages.py, a till folder to install into, and
// what the program writes, byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "installer.h"
#include "service.h"
#include "state/ids.h"
#include "support.h"
#include "text/convert.h"

namespace kestrion::test {


// What the store should see, in the string table's Chinese.
inline constexpr char kInstalled[] = "安装成功，请双击桌面图标启动客户端";
inline constexpr char kShortcutName[] = "门店收银";

// posclient.json as the program writes it: the entries in order, CR LF, three-space indents.
inline std::string register_bytes(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string out = "{\r\n   \"pos\" : [\r\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    out += "      {\r\n         \"foldername\" : \"" + json_escaped(entries[i].first) +
           "\",\r\n         \"serviceurl\" : \"" + json_escaped(entries[i].second) + "\"\r\n      }";
    out += i + 1 < entries.size() ? ",\r\n" : "\r\n";
  }
  return out + "   ]\r\n}\r\n";
}

// posconfig.json with the times it holds; they must be well-formed and both times are checked
// against each other by the caller.
inline std::string config_bytes(const std::string& create, const std::string& edit,
                         const std::string& folder, const std::string& report,
                         const std::string& url, const std::string& version,
                         const std::string& service_center = "") {
  return "{\r\n   \"REQUEST_SERVICE\" : \"" + service_center + "\",\r\n   \"createtime\" : \"" +
         create + "\",\r\n   \"edittime\" : \"" + edit + "\",\r\n   \"foldername\" : \"" +
         json_escaped(folder) + "\",\r\n   \"reportversion\" : \"" + report +
         "\",\r\n   \"serviceurl\" : \"" + url + "\",\r\n   \"version\" : \"" + version +
         "\"\r\n}\r\n";
}

struct Times {
  std::string create, edit;
};
inline Times config_times(const std::string& bytes) {
  static const std::regex time("\"(createtime|edittime)\" : \"(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d)\"");
  Times t;
  for (std::sregex_iterator it(bytes.begin(), bytes.end(), time), end; it != end; ++it)
    ((*it)[1] == "createtime" ? t.create : t.edit) = (*it)[2];
  return t;
}

// What the started client wrote about its start; the shell starts it after the installer ended.
inline std::string client_start_record(const std::string& version_folder) {
  const std::string path = version_folder + "\\app\\launched.txt";
  for (int i = 0; i < 200 && read_file(path).empty(); ++i) Sleep(50);
  return read_file(path);
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    service_.reset();
    DeleteFileA(register_path().c_str());
    for (const auto& name : {std::string(kShortcutName), std::string("Other")})
      DeleteFileA((desktop_folder() + "\\" + name + ".lnk").c_str());
  }

  static std::string register_path() { return appdata_folder() + "\\Tillwright\\posclient.json"; }
  std::string setup_name() const {
    return "setup(127.0.0.1_" + std::to_string(service_.port()) + ").exe";
  }
  // The host folder name of the service address http://127.0.0.1:<port>/.
  std::string host() const { return "1270000010" + std::to_string(service_.port()); }
  std::string root() const { return till_.path() + "\\Tillwright"; }
  std::string version_folder(const std::string& v) const { return root() + "\\" + host() + "\\" + v; }

  void serve(const std::string& package, const std::string& version, const std::string& is_full,
             const std::string& client_name = kShortcutName) {
    service_.configure(R"({"client_name": ")" + client_name + R"(", "version": ")" + version +
                       R"(", "is_full": ")" + is_full + R"(", "package_url": "{base}/files/)" +
                       package + "\"}");
  }

  // Keeps a copy of the desktop link for lnkinfo with what it must show (a later ctest step).
  void expect_link(const std::string& copy, const std::string& app_folder) {
    const std::string link = desktop_folder() + "\\" + kShortcutName + ".lnk";
    ASSERT_TRUE(file_exists(link));
    const std::string kept = build_folder() + "\\tests\\win\\e2e\\links";
    make_folders(kept);
    ASSERT_TRUE(CopyFileA(link.c_str(), (kept + "\\" + copy).c_str(), FALSE));
    const std::string line = copy + "\t" + app_folder + "\\TILLWRIGHT.exe\t" + app_folder + "\\\t-\n";
    write_file(kept + "\\expected.txt", read_file(kept + "\\expected.txt") + text::ansi_to_utf8(line));
  }

  // A finished install-mode run: press Run, the success box, exit code 1.
  void install(Installer& setup) {
    setup.set(IDC_INSTALL_FOLDER, till_.path());
    setup.press_run();
    MessageBoxInfo box = setup.answer_box(IDOK);
    EXPECT_EQ(box.text, kInstalled);
    EXPECT_EQ(box.caption, setup.app_name());
    EXPECT_EQ(setup.wait_exit(), 1u);
  }
  // The earlier installation most cases start from: version 2.1.5 of the full package.
  void install_full_2_1_5() {
    serve("full.zip", "2.1.5", "true");
    Installer first(store_.path(), setup_name());
    first.start();
    install(first);
  }

  Service service_;
  TempFolder store_{"store"};
  TempFolder till_{"till"};
};

}  // namespace kestrion::test
