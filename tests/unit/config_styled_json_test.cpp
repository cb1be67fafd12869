// The StyledWriter layout with raw ANSI bytes: the two registers' documents byte for byte, the
// same layout as jsoncpp's own writer for every shape, and GBK text that reads back unchanged.
#include <gtest/gtest.h>

#include <json/reader.h>
#include <json/writer.h>

#include "config/styled_json.h"
#include "config_samples.h"

using kestrion::parse_json;
using kestrion::styled_json;

namespace {

Json::Value parsed(const std::string& text) {
  Json::Value v;
  EXPECT_TRUE(parse_json(text, v)) << text;
  return v;
}

std::string crlf(const std::string& lf) {
  std::string out;
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST(StyledJson, ClientRegisterSample) {
  Json::Value entry;
  entry["serviceurl"] = "10.0.0.5:8080/";
  entry["foldername"] = "D:\\Tillwright\\abc\\2_1_0";
  Json::Value root;
  root["pos"].append(entry);
  EXPECT_EQ(styled_json(root), kestrion::samples::kClientRegister);
}

TEST(StyledJson, InstallConfigSampleMembersInByteOrder) {
  Json::Value root;
  root["version"] = "2.1.0";
  root["serviceurl"] = "10.0.0.5:8080/";
  root["reportversion"] = "";
  root["foldername"] = "D:\\Tillwright\\abc\\2_1_0";
  root["edittime"] = "2022-07-20 09:05:03";
  root["createtime"] = "2022-07-20 09:05:03";
  root["REQUEST_SERVICE"] = "";
  EXPECT_EQ(styled_json(root), kestrion::samples::kInstallConfig);
}

// For ASCII content the layout is jsoncpp's own, line ends aside.
TEST(StyledJson, SameLayoutAsStyledWriterForEveryShape) {
  const char* documents[] = {
      "{}",
      "[]",
      "null",
      "\"just text\"",
      "{\"a\":1,\"b\":-2,\"c\":2.5,\"d\":true,\"e\":null,\"f\":18446744073709551615}",
      "{\"empty\":{},\"none\":[],\"nested\":{\"x\":{\"y\":[]}}}",
      "[1,2,3]",
      "[\"a\",\"b\",[],{}]",
      "[[1],[2]]",
      "[{\"a\":1},2,\"three\"]",
      // one-line arrays break at the right margin, by length or by count
      "[\"0123456789\",\"0123456789\",\"0123456789\",\"0123456789\",\"0123456789\",\"01234\"]",
      "[\"0123456789\",\"0123456789\",\"0123456789\",\"0123456789\",\"0123456789\",\"0123\"]",
      "[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24]",
      "[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25]",
      "{\"pos\":[{\"foldername\":\"C:\\\\x\",\"serviceurl\":\"h/\"},{\"foldername\":\"\","
      "\"serviceurl\":\"\"}],\"z\":[1,[2,3]]}",
      "{\"esc\":\"quote \\\" back \\\\ tab \\t nl \\n cr \\r bs \\b ff \\f one \\u0001 us "
      "\\u001f slash / del \\u007f\"}",
  };
  Json::StyledWriter theirs;
  for (const char* doc : documents) {
    const Json::Value v = parsed(doc);
    EXPECT_EQ(styled_json(v), crlf(theirs.write(v))) << doc;
  }
}

TEST(StyledJson, GbkBytesStayRawAndReadBackUnchanged) {
  // 门店 and 乗 (whose trail byte is 0x5C, a backslash) and a byte at the top of the range.
  const std::string folder = "D:\\门店\\乗\\2_1_0\xfe\x40";
  Json::Value root;
  root["foldername"] = folder;
  root["名称"] = "收银";
  const std::string text = styled_json(root);
  // Each backslash byte is doubled, the one inside 乗 too, so a byte-wise reader sees no
  // escape where there is none.
  EXPECT_EQ(text,
            "{\r\n"
            "   \"foldername\" : \"D:\\\\门店\\\\\x81\\\\\\\\2_1_0\xfe\x40\",\r\n"
            "   \"名称\" : \"收银\"\r\n"
            "}\r\n");
  EXPECT_EQ(text.find("\\u"), std::string::npos);
  const Json::Value back = parsed(text);
  EXPECT_EQ(back["foldername"].asString(), folder);
  EXPECT_EQ(back["名称"].asString(), "收银");
  EXPECT_EQ(styled_json(back), text);  // a rewrite changes nothing
}

TEST(StyledJson, ParseAcceptsWhatTheReaderAccepts) {
  Json::Value v;
  EXPECT_TRUE(parse_json("// note\n{ /* c */ \"pos\" : [] }", v));
  EXPECT_TRUE(v["pos"].isArray());
  const std::string bad[] = {"", "{", "{\"pos\":[}", "\xef\xbb\xbf{}", "not json",
                             std::string(1025, '['),  // deeper than the reader goes: it throws
                             std::string(1025, '[') + std::string(1025, ']')};
  for (const std::string& b : bad) EXPECT_FALSE(parse_json(b, v)) << b.substr(0, 20);
}

}  // namespace
