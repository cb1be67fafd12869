// The launch rules: the upgrade arguments by item count, the run mode, the file-name code both
// ways (with GBK names whose trail bytes equal a marker), and the prefix of an upgrade address.
#include <gtest/gtest.h>

#include <random>

#include "shell/command_line.h"
#include "shell/file_name_code.h"
#include "shell/file_name_encoder.h"

using namespace kestrion;

namespace {

std::vector<std::string> items(int arguments) {
  std::vector<std::string> v{"C:\\pos\\kestrion.exe"};
  for (int i = 1; i <= arguments; ++i) v.push_back("a" + std::to_string(i));
  return v;
}

TEST(LaunchArguments, ItemCountDecidesWhatIsTaken) {
  struct Case {
    int arguments;
    bool seven_taken;
    std::string requestservice;
  };
  const Case cases[] = {{0, false, ""}, {1, false, ""}, {6, false, ""}, {7, true, ""},
                        {8, true, "a8"}, {9, true, ""},  {12, true, ""}};
  for (const Case& c : cases) {
    const LaunchArguments a = launch_arguments_from_items(items(c.arguments));
    SCOPED_TRACE(c.arguments);
    EXPECT_EQ(a.item_count, c.arguments + 1);
    EXPECT_EQ(a.arg_upgradeurl, c.seven_taken ? "a1" : "");
    EXPECT_EQ(a.arg_upgradeoldversion, c.seven_taken ? "a5" : "");
    EXPECT_EQ(a.arg_isdownfile, c.seven_taken ? "a6" : "N");
    EXPECT_EQ(a.arg_upoldreportversion, c.seven_taken ? "a7" : "");
    EXPECT_EQ(a.arg_requestservice, c.requestservice);
  }
}

TEST(LaunchArguments, ReportVersionMinusOnePointZeroCountsAsEmpty) {
  auto v = items(7);
  v[7] = "-1.0";
  EXPECT_EQ(launch_arguments_from_items(v).arg_upoldreportversion, "");
  v[7] = "-1.00";
  EXPECT_EQ(launch_arguments_from_items(v).arg_upoldreportversion, "-1.00");
}

TEST(LaunchArguments, LogLinesOnlyWithAnArgumentAndInOrder) {
  EXPECT_TRUE(launch_argument_log_lines(launch_arguments_from_items(items(0))).empty());
  const auto few = launch_argument_log_lines(launch_arguments_from_items(items(3)));
  ASSERT_EQ(few.size(), 8u);
  EXPECT_EQ(few[0], "升级启动程序入参：arg_upgradeurl >>>> ：");
  EXPECT_EQ(few[5], "升级启动程序入参：arg_isdownfile >>>> ：N");
  const auto all = launch_argument_log_lines(launch_arguments_from_items(items(8)));
  const char* names[] = {"arg_upgradeurl",        "arg_upgradefileurl", "arg_upgradeversion",
                         "arg_upgradepath",       "arg_upgradeoldversion", "arg_isdownfile",
                         "arg_upoldreportversion", "arg_requestservice"};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(all[i], std::string("升级启动程序入参：") + names[i] + " >>>> ：a" +
                          std::to_string(i + 1));
}

TEST(RunMode, FiveValuesSelectUpgradeAndOnlyAnExactNSkipsTheDownload) {
  struct Case {
    int empty_item;  // 0: none emptied
    std::string isdownfile;
    RunMode mode;
  };
  const Case cases[] = {
      {0, "N", RunMode::upgrade_finish}, {0, "n", RunMode::upgrade_download},
      {0, "Y", RunMode::upgrade_download}, {0, "", RunMode::upgrade_download},
      {4, "N", RunMode::install},  // no upgrade path
      {1, "Y", RunMode::install},  {5, "Y", RunMode::install},
      {7, "N", RunMode::upgrade_finish},  // the report version plays no part
  };
  for (const Case& c : cases) {
    auto v = items(7);
    v[6] = c.isdownfile;
    if (c.empty_item) v[c.empty_item] = "";
    EXPECT_EQ(run_mode(launch_arguments_from_items(v)), c.mode)
        << c.empty_item << " " << c.isdownfile;
  }
  EXPECT_EQ(run_mode(launch_arguments_from_items(items(3))), RunMode::install);
}

struct DecodeCase {
  std::string path;
  std::string address, server_text, service_center;
  std::optional<std::string> prefix;
};

void expect_decodes(const DecodeCase& c) {
  const FileNameCode d = decode_file_name_code(c.path);
  EXPECT_EQ(d.service_address, c.address) << c.path;
  EXPECT_EQ(d.server_text, c.server_text) << c.path;
  EXPECT_EQ(d.service_center, c.service_center) << c.path;
  EXPECT_EQ(d.path_prefix, c.prefix) << c.path;
}

TEST(FileNameCode, DecodeTable) {
  const std::string sc = "SERVICE_CENTER";
  const DecodeCase cases[] = {
      {"C:\\dl\\setup.exe", "http:///", "", "", {}},
      {"setup(192.0.2.7_8080).exe", "http://192.0.2.7:8080/", "192.0.2.7:8080", "", {}},
      {"C:\\dl\\setup(192.0.2.7_8443s).exe", "https://192.0.2.7:8443/", "192.0.2.7:8443", "", {}},
      {"setup(192.0.2.7_8080RposS).exe", "https://192.0.2.7:8080/pos/", "192.0.2.7:8080/pos", "",
       "pos"},
      {"setup(192.0.2.7_8080RposNx).exe", "http://192.0.2.7:8080/pos/", "192.0.2.7:8080/pos", sc,
       "pos"},
      {"setup(N192.0.2.7).exe", "http://N192.0.2.7/", "N192.0.2.7", "", {}},
      {"setup(h_1N).exe", "http://h:1/", "h:1", sc, {}},
      {"setup(hostR).exe", "http://host//", "host/", "", ""},
      {"setup(hostRS).exe", "https://host//", "host/", "", ""},
      {"setup(hostRposSx).exe", "http://host/posSx/", "host/posSx", "", "posSx"},
      {"setup(Rhosts).exe", "https://Rhost/", "Rhost", "", {}},
      {"setup(s).exe", "http://s/", "s", "", {}},
      {"setup(abc.exe", "http:///", "", "", {}},  // no ")": the code is empty
      {"C:\\a(1.1.1.1)\\setup(2.2.2.2_80).exe", "http://2.2.2.2:80/", "2.2.2.2:80", "", {}},
      {"C:\\dl(x)\\setup.exe", "http:///", "", "", {}},
      {"setup(a)(b).exe", "http://a/", "a", "", {}},
  };
  for (const DecodeCase& c : cases) expect_decodes(c);
}

TEST(FileNameCode, TrailBytesNeverActAsMarkers) {
  // GBK characters 0x81 followed by '\\', 'N', 'R', 'S', 's', '_' as their trail bytes.
  const DecodeCase cases[] = {
      {"C:\\dl\\安装\x81\x5c(1.2.3.4_80).exe", "http://1.2.3.4:80/", "1.2.3.4:80", "", {}},
      {"setup(h\x81\x4e).exe", "http://h\x81\x4e/", "h\x81\x4e", "", {}},
      {"setup(h\x81\x52x).exe", "http://h\x81\x52x/", "h\x81\x52x", "", {}},
      {"setup(hRp\x81\x53).exe", "http://h/p\x81\x53/", "h/p\x81\x53", "", "p\x81\x53"},
      {"setup(h\x81\x73).exe", "http://h\x81\x73/", "h\x81\x73", "", {}},
      {"setup(h\x81\x5f" "1).exe", "http://h\x81\x5f" "1/", "h\x81\x5f" "1", "", {}},
  };
  for (const DecodeCase& c : cases) expect_decodes(c);
}

TEST(FileNameCode, PrefixAndAddressAgreeOnAPathOfTwoSegments) {
  const FileNameCode d = decode_file_name_code("setup(hRaRb).exe");
  EXPECT_EQ(d.service_address, "http://h/a/b/");
  EXPECT_EQ(d.path_prefix, "a/b");
}

TEST(ServicePathFromUrl, TextAfterTheFirstSlashBehindTheHost) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"http://192.0.2.7:8080/", ""},
      {"http://192.0.2.7:8080", std::nullopt},
      {"http://192.0.2.7:8080/pos", "pos"},
      {"https://h/a/b/", "a/b/"},
      {"", std::nullopt},
      {"abc", std::nullopt},      // no "/": the first character is dropped
      {"h/x", std::nullopt},
      {"x/ab/c", "c"},
  };
  for (const auto& [url, prefix] : cases) EXPECT_EQ(service_path_from_url(url), prefix) << url;
}

TEST(FileNameEncoder, Table) {
  struct Case {
    std::string url;
    bool service_center;
    std::string code, address;
  };
  const Case cases[] = {
      {"http://192.0.2.7:8080/pos/", false, "192.0.2.7_8080Rpos", "http://192.0.2.7:8080/pos/"},
      {"http://192.0.2.7:8080", false, "192.0.2.7_8080", "http://192.0.2.7:8080/"},
      {"https://192.0.2.7:8443/", false, "192.0.2.7_8443s", "https://192.0.2.7:8443/"},
      {"https://192.0.2.7:8080/pos", false, "192.0.2.7_8080RposS", "https://192.0.2.7:8080/pos/"},
      {"http://192.0.2.7:8080/pos/", true, "192.0.2.7_8080RposN", "http://192.0.2.7:8080/pos/"},
      {"https://pos.example.com/", true, "pos.example.comsN", "https://pos.example.com/"},
      {"HTTP://Host-1.cn/", false, "Host-1.cn", "http://Host-1.cn/"},
      {"http://Nhost/", false, "Nhost", "http://Nhost/"},
      {"http://Rhost/", false, "Rhost", "http://Rhost/"},
      {"https://backs/", false, "backss", "https://backs/"},
      {"https://h/poS/", false, "hRpoSS", "https://h/poS/"},
      {"http://h/v1.2~x", false, "hRv1.2~x", "http://h/v1.2~x/"},
  };
  for (const Case& c : cases) {
    const EncodedCode e = encode_file_name_code(c.url, c.service_center);
    EXPECT_EQ(e.error, "") << c.url;
    EXPECT_EQ(e.code, c.code) << c.url;
    EXPECT_EQ(e.address, c.address) << c.url;
  }
  EXPECT_EQ(setup_file_name("192.0.2.7_8080Rpos"), "setup(192.0.2.7_8080Rpos).exe");
}

TEST(FileNameEncoder, RefusesWhatTheCodeCannotCarry) {
  const std::pair<std::string, bool> cases[] = {
      {"192.0.2.7:8080", false},        {"ftp://h/", false},
      {"http://h/a/b", false},          {"http://h/?q=1", false},
      {"http://h/#x", false},           {"http://u@h/", false},
      {"http:///", false},              {"http://[::1]/", false},
      {"http://h:0/", false},           {"http://h:65536/", false},
      {"http://h:8o/", false},          {"http://h:/", false},
      {"http://h_x/", false},           {"http://h/a_b", false},
      {"http://hNx/", false},           {"http://Nhost/", true},
      {"http://h/Nx", false},           {"http://hostR/", false},
      {"http://Rhost/pos", false},      {"http://h/aRb", false},
      {"http://h/poS", false},          {"http://pos/", false},
      {"http://h/门店", false},         {"http://h*x/", false},
      {"http://h//", false},            {"http://h/a(b", false},
      {std::string("http://h\0x/", 11), false},  // a NUL byte is no letter
      {std::string("http://h/a\0b", 12), false},
  };
  for (const auto& [url, sc] : cases) {
    const EncodedCode e = encode_file_name_code(url, sc);
    EXPECT_NE(e.error, "") << url;
    EXPECT_EQ(e.code, "") << url;
  }
  EXPECT_EQ(encode_file_name_code("http://pos/", false).error,
            "a host ending in \"s\" without a port would read as https; give the port (\":80\")");
  EXPECT_EQ(encode_file_name_code("http://pos:80/", false).code, "pos_80");
}

// Over many generated addresses, rich in the marker letters: what the encoder accepts decodes
// back to the same address, marker and prefix; what it refuses, it refuses for a named reason;
// and addresses free of marker letters are always accepted.
TEST(FileNameEncoder, RoundTripOverGeneratedAddresses) {
  std::mt19937 rng(936);
  auto pick = [&](const std::string& alphabet, int min_len, int max_len) {
    std::string s(std::uniform_int_distribution<int>(min_len, max_len)(rng), ' ');
    for (char& c : s) c = alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(rng)];
    return s;
  };
  auto chance = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; };
  const std::string risky = "0123456789.-abNRSs_nrx";
  const std::string safe = "0123456789.-abcdxyzABC";
  int accepted = 0;
  for (int i = 0; i < 20000; ++i) {
    const bool plain = chance(30);
    const std::string& alphabet = plain ? safe : risky;
    const bool secure = chance(50), sc = chance(30);
    const std::string host = pick(alphabet, 1, 8);
    const std::string port = chance(60) ? std::to_string(std::uniform_int_distribution<int>(1, 65535)(rng)) : "";
    const std::string segment = chance(50) ? pick(alphabet + "~", 1, 6) : "";
    const std::string address = std::string(secure ? "https" : "http") + "://" + host +
                                (port.empty() ? "" : ":" + port) + "/" +
                                (segment.empty() ? "" : segment + "/");
    const std::string url = address.substr(0, address.size() - (chance(50) ? 1 : 0));
    const EncodedCode e = encode_file_name_code(url, sc);
    SCOPED_TRACE(url + (sc ? " +SC" : ""));
    const bool plain_host_end = host.back() != 's' || !port.empty() || !segment.empty() || secure;
    if (plain && plain_host_end) {
      ASSERT_EQ(e.error, "");
    }
    if (!e.error.empty()) {
      ASSERT_NE(e.error, "the address cannot be carried by a file-name code");
      continue;
    }
    ++accepted;
    ASSERT_EQ(e.address, address);
    const FileNameCode d = decode_file_name_code("C:\\dl\\" + setup_file_name(e.code));
    ASSERT_EQ(d.service_address, address);
    ASSERT_EQ(d.service_center, sc ? "SERVICE_CENTER" : "");
    ASSERT_EQ(d.path_prefix, segment.empty() ? std::nullopt : std::optional<std::string>(segment));
    ASSERT_EQ("http" + std::string(secure ? "s" : "") + "://" + d.server_text + "/", address);
  }
  EXPECT_GT(accepted, 8000);
}

}  // namespace
