// The two registers as documents: posclient.json read whatever its shape, looked up, checked
// and rewritten; posconfig.json's seven members and the creation time it hands on.
#include <gtest/gtest.h>

#include "config/client_entries.h"
#include "config/install_settings.h"
#include "config/styled_json.h"
#include "config_samples.h"

using namespace kestrion;

namespace {

Json::Value parsed(const std::string& text) {
  Json::Value v;
  EXPECT_TRUE(parse_json(text, v)) << text;
  return v;
}

ClientEntries entries(const std::string& text) { return read_client_entries(parsed(text)); }

TEST(ServiceUrl, SlashAppendedOnlyWhenThereIsNone) {
  struct {
    const char* in;
    const char* out;
  } cases[] = {{"10.0.0.5:8080", "10.0.0.5:8080/"},
               {"10.0.0.5:8080/", "10.0.0.5:8080/"},
               {"http://10.0.0.5:8080", "http://10.0.0.5:8080"},
               {"", "/"}};
  for (auto c : cases) EXPECT_EQ(normalized_service_url(c.in), c.out) << c.in;
}

TEST(ClientEntriesRead, ShapesThatCannotBeReadCountAsAbsent) {
  struct {
    const char* doc;
    size_t count;
    bool complete;
  } cases[] = {
      {"{\"pos\":[{\"foldername\":\"A\",\"serviceurl\":\"s/\"}]}", 1, true},
      {"{\"pos\":[{\"serviceurl\":\"s/\",\"extra\":5}],\"other\":1}", 1, true},  // missing: ""
      {"{\"pos\":[{\"foldername\":null,\"serviceurl\":\"s/\"}]}", 1, true},
      {"{}", 0, true},
      {"{\"pos\":null}", 0, true},
      {"{\"pos\":[]}", 0, true},
      {"[]", 0, false},
      {"\"text\"", 0, false},
      {"null", 0, false},
      {"{\"pos\":{\"foldername\":\"A\"}}", 0, false},
      {"{\"pos\":\"A\"}", 0, false},
      {"{\"pos\":[1,\"x\",null,[],{\"foldername\":\"B\",\"serviceurl\":\"t/\"}]}", 1, false},
      {"{\"pos\":[{\"foldername\":7,\"serviceurl\":\"s/\"}]}", 0, false},
      {"{\"pos\":[{\"foldername\":\"A\",\"serviceurl\":{\"x\":1}}]}", 0, false},
  };
  for (auto c : cases) {
    ClientEntries e = entries(c.doc);
    EXPECT_EQ(e.entries.size(), c.count) << c.doc;
    EXPECT_EQ(e.complete, c.complete) << c.doc;
  }
  ClientEntries e = entries("{\"pos\":[{\"serviceurl\":\"s/\"}]}");
  EXPECT_EQ(e.entries[0].foldername, "");
}

TEST(ClientEntriesLookup, FirstExactMatchAsStored) {
  ClientEntries e = entries(
      "{\"pos\":[{\"foldername\":\"A\",\"serviceurl\":\"http://h:1\"},"
      "{\"foldername\":\"B\",\"serviceurl\":\"http://h:1/\"},"
      "{\"foldername\":\"C\",\"serviceurl\":\"http://h:1/\"},"
      "{\"foldername\":\"D\",\"serviceurl\":\"HTTP://h:1/\"}]}");
  EXPECT_EQ(find_client_folder(e, "http://h:1/"), "B");  // not normalised, first wins
  EXPECT_EQ(find_client_folder(e, "http://h:1"), "A");
  EXPECT_EQ(find_client_folder(e, "HTTP://h:1/"), "D");
  EXPECT_EQ(find_client_folder(e, "http://H:1/"), std::nullopt);
}

TEST(ClientEntriesCheck, FirstEntryNamingTheFolderDecides) {
  ClientEntries e = entries(
      "{\"pos\":[{\"foldername\":\"V\",\"serviceurl\":\"10.0.0.5:8080\"},"
      "{\"foldername\":\"W\",\"serviceurl\":\"T/\"},"
      "{\"foldername\":\"W\",\"serviceurl\":\"S/\"}]}");
  struct {
    const char* address;
    const char* folder;
    Registration result;
  } cases[] = {
      {"10.0.0.5:8080", "V", Registration::registered_here},   // both normalised
      {"10.0.0.5:8080/", "V", Registration::registered_here},
      {"S/", "V", Registration::foreign},
      {"T/", "W", Registration::registered_here},
      {"S/", "W", Registration::foreign},                       // the first W belongs to T
      {"S/", "X", Registration::not_registered},
      {"S/", "v", Registration::not_registered},                // exact comparison
  };
  for (auto c : cases)
    EXPECT_EQ(check_client_entries(e, c.address, c.folder), c.result) << c.address << c.folder;
  EXPECT_EQ(check_client_entries(ClientEntries{}, "S/", "V"), Registration::not_registered);
}

TEST(ClientEntriesSave, EntriesOfTheAddressMoveOthersStayInOrder) {
  ClientEntries e = entries(
      "{\"pos\":[{\"foldername\":\"A\",\"serviceurl\":\"s:1\",\"x\":1},"
      "{\"foldername\":\"B\",\"serviceurl\":\"t:2\"},"
      "{\"foldername\":\"C\",\"serviceurl\":\"s:1/\"}],\"version\":3}");
  EXPECT_EQ(styled_json(registered_document(e, "s:1", "D:\\门店\\2_0")),
            "{\r\n   \"pos\" : [\r\n"
            "      {\r\n         \"foldername\" : \"D:\\\\门店\\\\2_0\",\r\n"
            "         \"serviceurl\" : \"s:1/\"\r\n      },\r\n"
            "      {\r\n         \"foldername\" : \"B\",\r\n"
            "         \"serviceurl\" : \"t:2/\"\r\n      },\r\n"
            "      {\r\n         \"foldername\" : \"D:\\\\门店\\\\2_0\",\r\n"
            "         \"serviceurl\" : \"s:1/\"\r\n      }\r\n"
            "   ]\r\n}\r\n");

  Json::Value added = registered_document(e, "http://u:3", "V");
  ASSERT_EQ(added["pos"].size(), 4u);
  EXPECT_EQ(added["pos"][0]["foldername"].asString(), "A");
  EXPECT_EQ(added["pos"][3]["foldername"].asString(), "V");
  EXPECT_EQ(added["pos"][3]["serviceurl"].asString(), "http://u:3");

  Json::Value first = registered_document(ClientEntries{}, "10.0.0.5:8080", "V");
  ASSERT_EQ(first["pos"].size(), 1u);
  EXPECT_EQ(first["pos"][0]["foldername"].asString(), "V");
  EXPECT_EQ(first["pos"][0]["serviceurl"].asString(), "10.0.0.5:8080/");
}

TEST(InstallSettings, TimeTextAndTheSevenMembers) {
  const text::LocalTime t{2022, 7, 20, 9, 5, 3};
  EXPECT_EQ(settings_time_text(t), "2022-07-20 09:05:03");
  InstallSettings s;
  s.createtime = s.edittime = settings_time_text(t);
  s.foldername = "D:\\Tillwright\\abc\\2_1_0";
  s.serviceurl = "10.0.0.5:8080/";
  s.version = "2.1.0";
  EXPECT_EQ(styled_json(settings_document(s)), samples::kInstallConfig);
}

TEST(InstallSettings, CreateTimeHandedOn) {
  struct {
    const char* doc;
    std::optional<std::string> kept;
    bool complete;
  } cases[] = {
      {"{\"createtime\":\"2020-01-02 03:04:05\",\"x\":1}", "2020-01-02 03:04:05", true},
      {"{\"version\":\"1\"}", "", true},
      {"{\"createtime\":null}", "", true},
      {"{\"createtime\":20200102}", "", false},
      {"{\"createtime\":{\"a\":1}}", "", false},
      {"[\"createtime\"]", std::nullopt, false},
      {"null", std::nullopt, false},
  };
  for (auto c : cases) {
    bool complete = true;
    EXPECT_EQ(kept_create_time(parsed(c.doc), complete), c.kept) << c.doc;
    EXPECT_EQ(complete, c.complete) << c.doc;
  }
}

}  // namespace
