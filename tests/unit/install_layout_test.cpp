// Names of the installation's folders: host folder (both treatments of a host without a "/"
// after it), version folder, local time name, the full-package flag and the layout's paths.
#include <gtest/gtest.h>

#include "install/layout.h"

using namespace kestrion;

TEST(HostFolderName, Table) {
  const auto keep = HostWithoutSlash::keep;
  const auto empty = HostWithoutSlash::empty;
  struct {
    const char* address;
    const char* prefix;
    HostWithoutSlash rest;
    const char* name;
  } cases[] = {
      {"http://10.1.2.3:8080/", "", empty, "1001020308080"},
      {"http://10.1.2.3:8080/", "erp", empty, "10010203080800erp"},
      {"http://192.0.2.7:8080/", "", keep, "19200020708080"},
      {"http://192.0.2.7:8080/", "pos", keep, "192000207080800pos"},
      {"http://192.0.2.7:8080", "", keep, "19200020708080"},
      {"http://192.0.2.7:8080", "", empty, ""},
      {"http://192.0.2.7:8080", "erp", empty, "0erp"},
      {"https://pos.example.cn/api/v1", "", empty, "pos0example0cn"},
      {"10.0.0.5:8080/", "", empty, ""},    // no scheme: the rest after "/" is empty
      {"10.0.0.5:8080", "", keep, "000000508080"},  // from the second character on
      {"10.0.0.5:8080", "", empty, ""},
      {"", "", keep, ""},
      {"/", "", keep, ""},
      {"http://门店.cn:80/", "", empty, "门店0cn080"},
  };
  for (auto c : cases)
    EXPECT_EQ(host_folder_name(c.address, c.prefix, c.rest), c.name)
        << c.address << " " << c.prefix;
}

TEST(VersionFolderName, DotsBecomeUnderscores) {
  EXPECT_EQ(version_folder_name("2.1.5"), "2_1_5");
  EXPECT_EQ(version_folder_name("20250105093005"), "20250105093005");
  EXPECT_EQ(version_folder_name("版本.1"), "版本_1");
  EXPECT_EQ(version_folder_name(""), "");
}

TEST(VersionText, UpgradeThenPackageThenLocalTime) {
  const text::LocalTime t{2025, 1, 5, 9, 30, 5};
  EXPECT_EQ(local_time_name(t), "20250105093005");
  EXPECT_EQ(local_time_name({2025, 12, 31, 23, 59, 59}), "20251231235959");
  EXPECT_EQ(version_text("http://h/p.zip", "3.0.1", "2.1.5", t), "3.0.1");
  EXPECT_EQ(version_text("", "3.0.1", "2.1.5", t), "2.1.5");  // upgrade needs both
  EXPECT_EQ(version_text("http://h/p.zip", "", "2.1.5", t), "2.1.5");
  EXPECT_EQ(version_text("", "", "", t), "20250105093005");
}

TEST(LocalTimeName, NowHasFourteenDigits) {
  const std::string name = local_time_name(text::local_time_now());
  ASSERT_EQ(name.size(), 14u) << name;
  EXPECT_EQ(name.find_first_not_of("0123456789"), std::string::npos) << name;
  EXPECT_GE(name.substr(0, 4), "2024");
}

TEST(FullPackage, OnlyFalseIsPartial) {
  struct {
    const char* flag;
    bool full;
  } cases[] = {{"false", false}, {"true", true}, {"TRUE", true}, {"0", true},
               {"", true},       {"False", true}, {"false ", true}};
  for (auto c : cases) EXPECT_EQ(is_full_package(c.flag), c.full) << c.flag;
  EXPECT_EQ(full_package_flag(true, "true"), "false");
  EXPECT_EQ(full_package_flag(false, "true"), "true");
  EXPECT_EQ(full_package_flag(false, ""), "");
}

TEST(LayoutPaths, VersionFolderAndWhatLiesInIt) {
  const std::string v = version_folder_path("D:\\Tillwright", "1001020308080",
                                            version_folder_name("2.1.5"));
  EXPECT_EQ(v, "D:\\Tillwright\\1001020308080\\2_1_5");
  EXPECT_EQ(client_exe_path(v), "D:\\Tillwright\\1001020308080\\2_1_5\\app\\TILLWRIGHT.exe");
  EXPECT_EQ(success_marker_path(v), v + "\\app\\success");
  EXPECT_EQ(package_file_path(v), v + "\\TILLWRIGHT.zip");
  EXPECT_EQ(version_folder_path("D:\\Tillwright", "", "2_1_5"), "D:\\Tillwright\\\\2_1_5");
}
