// posconfig.json on real files: the seven members byte for byte, the creation time handed on,
// extra members dropped, and damaged or foreign-shaped files kept as side copies.
#include <gtest/gtest.h>

#include <windows.h>

#include "config/install_config.h"
#include "state/memory_state.h"
#include "win/path_limit.h"
#include "styled_json_reader.h"
#include "support.h"

using namespace kestrion;

namespace {

class InstallConfig : public ::testing::Test {
 protected:
  void SetUp() override {
    state_.set_text(ctl::service_address, "10.0.0.5:8080");
    state_.set_text(ctl::package_version, "2.1.0");
  }
  std::string file() const { return temp_ / "posconfig.json"; }
  bool save() { return save_install_config(state_, temp_.path(), temp_.path()); }

  // The file as the layout must show it, given its two times.
  std::string expected(const std::string& created, const std::string& edited,
                       const std::string& service = "", const std::string& report = "") const {
    return "{\r\n"
           "   \"REQUEST_SERVICE\" : \"" + service + "\",\r\n"
           "   \"createtime\" : \"" + created + "\",\r\n"
           "   \"edittime\" : \"" + edited + "\",\r\n"
           "   \"foldername\" : \"" + test::json_escaped(temp_.path()) + "\",\r\n"
           "   \"reportversion\" : \"" + report + "\",\r\n"
           "   \"serviceurl\" : \"10.0.0.5:8080/\",\r\n"
           "   \"version\" : \"2.1.0\"\r\n"
           "}\r\n";
  }

  MemoryRunState state_;
  test::TempFolder temp_{"cfg 门店"};
};

TEST_F(InstallConfig, FirstWriteHasSevenMembersAndOneClockReading) {
  ASSERT_TRUE(save());
  EXPECT_EQ(state_.pumps, 1);
  const std::string edited = test::member(test::read_file(file()), "edittime");
  EXPECT_TRUE(test::is_time_text(edited)) << edited;
  EXPECT_EQ(test::read_file(file()), expected(edited, edited));
  EXPECT_EQ(test::list_tree(temp_.path()), std::vector<std::string>{"posconfig.json"});
}

TEST_F(InstallConfig, CreateTimeKeptOtherMembersReplaced) {
  test::write_file(file(),
                   "/* earlier */ {\"createtime\":\"2020-01-02 03:04:05\",\"serviceurl\":\"old/\","
                   "\"extra\":\"gone\",\"version\":\"1.0\"}");
  state_.set_text(ctl::service_address, "10.0.0.5:8080");
  state_.set_text(ctl::service_center, "SERVICE_CENTER");
  state_.set_text(ctl::old_report_version, "报表1.2");
  ASSERT_TRUE(save());
  const std::string edited = test::member(test::read_file(file()), "edittime");
  EXPECT_EQ(test::read_file(file()),
            expected("2020-01-02 03:04:05", edited, "SERVICE_CENTER", "报表1.2"));
  EXPECT_FALSE(test::file_exists(file() + ".bad"));
}

TEST_F(InstallConfig, MissingCreateTimeBecomesEmptyText) {
  test::write_file(file(), "{\"version\":\"1.0\"}");
  ASSERT_TRUE(save());
  const std::string edited = test::member(test::read_file(file()), "edittime");
  EXPECT_EQ(test::read_file(file()), expected("", edited));
}

TEST_F(InstallConfig, UnreadableFilesAreKeptAsSideCopies) {
  struct {
    const char* bytes;
    bool new_time;  // the document cannot be read at all: a new creation time
  } cases[] = {{"{\"createtime\":\"2020-01-02", true},
               {"[\"2020-01-02 03:04:05\"]", true},
               {"{\"createtime\":20200102}", false}};  // the member counts as missing
  int n = 0;
  for (auto c : cases) {
    test::write_file(file(), c.bytes);
    ASSERT_TRUE(save());
    const std::string side = file() + ".bad" + (n++ ? std::to_string(n) : "");
    EXPECT_EQ(test::read_file(side), c.bytes);
    const std::string edited = test::member(test::read_file(file()), "edittime");
    EXPECT_EQ(test::read_file(file()), expected(c.new_time ? edited : "", edited)) << c.bytes;
  }
}

TEST_F(InstallConfig, MissingFolderOrLongPathWritesNothing) {
  EXPECT_FALSE(save_install_config(state_, temp_ / "missing", temp_ / "missing"));
  EXPECT_FALSE(test::folder_exists(temp_ / "missing"));

  const std::string deep = temp_.path() + "\\" + std::string(250 - temp_.path().size(), 'd');
  EXPECT_FALSE(save_install_config(state_, deep, deep));
  EXPECT_EQ(state_.text(ctl::status), path_too_long_text() + deep + "\\posconfig.json");
}

}  // namespace
