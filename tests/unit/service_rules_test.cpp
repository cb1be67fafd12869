// Endpoint composition and the reply envelope: which path a query goes to, and which replies
// count as an answer (including the shapes the service should never send).
#include <gtest/gtest.h>

#include "endpoint_cases.h"
#include "service/endpoint.h"
#include "service/envelope.h"

using namespace kestrion;

namespace {

TEST(Endpoint, MarkerAndPrefixComposeThePath) {
  for (const cases::EndpointCase& c : cases::kEndpoints)
    EXPECT_EQ(endpoint_path(c.query, c.marker, c.prefix), c.path) << c.marker << "|" << c.prefix;
  // A prefix in the code page's own characters stays as it is.
  EXPECT_EQ(endpoint_path(kPackageQuery, "", "门店"),
            "/门店/api/posinstall/query?posversion=&&system=Windows&&storeid=");
  EXPECT_EQ(endpoint_log_line("/erp/api/clientname/query"),
            "服务接口地址》》》 /erp/api/clientname/query");
  EXPECT_STREQ(kClientNameQuery.verb, "POST");
  EXPECT_EQ(kClientNameQuery.piece_size, 1024);
  EXPECT_STREQ(kPackageQuery.verb, "GET");
  EXPECT_EQ(kPackageQuery.piece_size, 10240);
}

TEST(Envelope, ClientName) {
  const std::pair<std::string, std::string> cases[] = {
      {R"({"code":0,"data":"蓝雀"})", "蓝雀"},
      {R"({"data":"no code counts as success"})", "no code counts as success"},
      {R"({"code":null,"data":"x"})", "x"},
      {R"({"code":false,"data":"x"})", "x"},
      {R"({"code":0.5,"data":"x"})", "x"},  // a real is cut to its integer part
      {"{\r\n   \"code\" : 0,\r\n   \"data\" : \"x\"\r\n}\r\n", "x"},
      {R"(// comment
          {"code":0,"data":"x"})", "x"},
      {R"({"code":0,"data":"a\u0000b"})", "a"},  // read up to the first NUL
      {R"({"code":0,"data":""})", ""},
      {R"({"code":0})", ""},
      {R"({"code":0,"data":null})", ""},
      {R"({"code":1,"data":"x"})", ""},
      {R"({"code":true,"data":"x"})", ""},
      {R"({"code":-1,"data":"x"})", ""},
      {R"({"code":"0","data":"x"})", ""},
      {R"({"code":[0],"data":"x"})", ""},
      {R"({"code":{},"data":"x"})", ""},
      {R"({"code":4294967296,"data":"x"})", ""},
      {R"({"code":1e300,"data":"x"})", ""},
      {R"({"code":0,"data":42})", ""},
      {R"({"code":0,"data":["x"]})", ""},
      {R"({"code":0,"data":{"name":"x"}})", ""},
      {R"(["code",0])", ""},
      {R"("x")", ""},
      {"null", ""},
      {"", ""},
      {"<html>not json</html>", ""},
      {R"({"code":0,"data":"x")", ""},
      {std::string(1025, '['), ""},  // deeper than the reader goes: it throws, we do not
  };
  for (const auto& [reply, name] : cases) EXPECT_EQ(client_name_from_reply(reply), name) << reply;
}

TEST(Envelope, Package) {
  struct Case {
    std::string reply, package, version, full;
  };
  const Case cases[] = {
      {R"({"code":0,"data":{"pospackage":"http://h/p.zip","posversion":"1.2.0","is_full":"false"}})",
       "http://h/p.zip", "1.2.0", "false"},
      {R"({"code":0,"data":{"pospackage":"http://h/p.zip","is_full":"true"}})", "http://h/p.zip",
       "", "true"},
      {R"({"data":{"pospackage":"p","posversion":null,"is_full":"x","more":1}})", "p", "", "x"},
      {R"({"code":1,"data":{"pospackage":"p","posversion":"1","is_full":"x"}})", "", "", ""},
      {R"({"code":0})", "", "", ""},
      {R"({"code":0,"data":null})", "", "", ""},
      {R"({"code":0,"data":"p"})", "", "", ""},
      {R"({"code":0,"data":[{"pospackage":"p"}]})", "", "", ""},
      // A boolean flag is read as its text; a version or an address of another type is no answer.
      {R"({"code":0,"data":{"pospackage":"p","posversion":"1","is_full":false}})", "p", "1", "false"},
      {R"({"code":0,"data":{"pospackage":"p","posversion":"1","is_full":true}})", "p", "1", "true"},
      {R"({"code":0,"data":{"pospackage":"p","posversion":"1","is_full":1}})", "", "", ""},
      {R"({"code":0,"data":{"pospackage":"p","posversion":1.2,"is_full":"x"}})", "", "", ""},
      {R"({"code":0,"data":{"pospackage":"p","posversion":2.10,"is_full":true}})", "", "", ""},
      {R"({"code":0,"data":{"pospackage":true,"posversion":"1","is_full":"x"}})", "", "", ""},
      {"not json", "", "", ""},
  };
  for (const Case& c : cases) {
    const PackageAnswer a = package_from_reply(c.reply);
    EXPECT_EQ(a.pospackage, c.package) << c.reply;
    EXPECT_EQ(a.posversion, c.version) << c.reply;
    EXPECT_EQ(a.is_full, c.full) << c.reply;
  }
}

}  // namespace
