// The two queries against the sample service: what they return, and exactly when the package
// query touches the package version (1012) and the full-package flag (1018).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "service/queries.h"
#include "service.h"
#include "state/memory_state.h"
#include "support.h"
#include "text/convert.h"

using namespace kestrion;

namespace {

class Queries : public ::testing::Test {
 protected:
  void SetUp() override {
    service.reset();
    state.set_text(ctl::service_address, service.base_url());
    state.set_text(ctl::package_version, "old version");
    state.set_text(ctl::full_package, "old flag");
  }
  void route(const std::string& query, const std::string& json) {
    service.configure(R"({"routes": {")" + query + R"(": )" + json + "}}");
  }

  test::Service service;
  MemoryRunState state;
};

TEST_F(Queries, ClientNameFromTheReply) {
  const std::pair<std::string, std::string> cases[] = {
      {R"({"json": {"code": 0, "data": "收银 One"}})", "收银 One"},
      {R"({"json": {"data": "no code"}})", "no code"},
      {R"({"json": {"code": 0, "data": ""}})", ""},
      {R"({"json": {"code": 0}})", ""},
      {R"({"json": {"code": 1, "data": "x"}})", ""},
      {R"({"json": {"code": "0", "data": "x"}})", ""},
      {R"({"json": {"code": 0, "data": 7}})", ""},
      {R"({"json": [0, "x"]})", ""},
      {R"({"body": ""})", ""},
      {R"({"body": "<html>busy</html>"})", ""},
      {R"({"status": 500, "json": {"code": 0, "data": "x"}})", ""},
  };
  for (const auto& [reply, name] : cases) {
    route("clientname", reply);
    EXPECT_EQ(query_client_name(state), name) << reply;
  }
  EXPECT_EQ(state.text(ctl::status), "");  // none of these is reported
}

TEST_F(Queries, ChineseNameArrivesInTheCodePageAndAnEscapedOneInUtf8) {
  EXPECT_EQ(query_client_name(state), "蓝雀收银台");  // the service's default name
  service.configure(R"({"ascii": true})");             // sent as \u escapes
  EXPECT_EQ(query_client_name(state), text::ansi_to_utf8("蓝雀收银台"));
  service.configure(R"({"ascii": false, "style": "crlf"})");
  EXPECT_EQ(query_client_name(state), "蓝雀收银台");
}

TEST_F(Queries, ServiceCentreAndPrefixSelectTheEndpoint) {
  state.set_text(ctl::service_center, "SERVICE_CENTER");
  state.set_text(ctl::path_prefix, "erp");
  service.configure(R"({"prefix": "erp"})");
  EXPECT_EQ(query_client_name(state), "蓝雀收银台");
  state.set_text(ctl::path_prefix, "");
  service.configure(R"({"prefix": ""})");
  EXPECT_EQ(query_package(state), service.url("/files/TILLWRIGHT.zip"));
  const auto seen = service.requests();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].verb + " " + seen[0].path,
            "POST /erp/transaction/api/retail/terminal/queryClientname");
  EXPECT_EQ(seen[1].verb + " " + seen[1].path,
            "GET /transaction/api/retail/terminal/posInstall?posversion=&&system=Windows&&storeid=");
}

TEST_F(Queries, PackageAnswerFillsVersionAndFlag) {
  service.configure(R"({"version": "2.1.0", "is_full": "false",
                        "package_url": "{base}/bytes/513/TILLWRIGHT.zip"})");
  EXPECT_EQ(query_package(state), service.url("/bytes/513/TILLWRIGHT.zip"));
  EXPECT_EQ(state.text(ctl::package_version), "2.1.0");
  EXPECT_EQ(state.text(ctl::full_package), "false");

  route("package", R"({"json": {"code": 0, "data": {"pospackage": "http://h/p.zip",
                                                    "is_full": "true"}}})");
  EXPECT_EQ(query_package(state), "http://h/p.zip");
  EXPECT_EQ(state.text(ctl::package_version), "");  // the run names the version itself
  EXPECT_EQ(state.text(ctl::full_package), "true");

  // A flag sent as a JSON boolean reads as its text.
  for (const bool flag : {true, false}) {
    service.configure(std::string(R"({"version": "2.1.0", "is_full": )") +
                      (flag ? "true" : "false") + "}");
    route("package", "null");
    EXPECT_EQ(query_package(state), service.url("/bytes/513/TILLWRIGHT.zip"));
    EXPECT_EQ(state.text(ctl::full_package), flag ? "true" : "false");
  }
}

TEST_F(Queries, PackageReplyThatIsNoAnswerEmptiesVersionAndFlag) {
  const std::string replies[] = {
      R"({"json": {"code": 1, "data": {"pospackage": "p", "posversion": "1", "is_full": "x"}}})",
      R"({"json": {"code": 0}})",
      R"({"json": {"code": 0, "data": "p"}})",
      R"({"json": {"code": 0, "data": {"pospackage": "p", "posversion": 2.10, "is_full": true}}})",
      R"({"body": "not json"})",
      R"({"json": "text"})",
  };
  for (const std::string& reply : replies) {
    state.set_text(ctl::package_version, "old version");
    state.set_text(ctl::full_package, "old flag");
    route("package", reply);
    EXPECT_EQ(query_package(state), std::nullopt) << reply;
    EXPECT_EQ(state.text(ctl::package_version), "") << reply;
    EXPECT_EQ(state.text(ctl::full_package), "") << reply;
  }
}

TEST_F(Queries, PackageWithoutReplyTextKeepsVersionAndFlag) {
  for (const std::string& reply : {std::string(R"({"status": 404})"),
                                   std::string(R"({"body": ""})")}) {
    route("package", reply);
    EXPECT_EQ(query_package(state), std::nullopt) << reply;
    EXPECT_EQ(state.text(ctl::package_version), "old version") << reply;
    EXPECT_EQ(state.text(ctl::full_package), "old flag") << reply;
  }
  state.set_text(ctl::service_address, "127.0.0.1:1/");  // no scheme
  EXPECT_EQ(query_package(state), std::nullopt);
  EXPECT_EQ(state.text(ctl::package_version), "old version");
  EXPECT_EQ(state.text(ctl::status), "");

  state.set_text(ctl::service_address, "http://127.0.0.1:1/");  // nothing listens
  EXPECT_EQ(query_package(state), std::nullopt);
  EXPECT_EQ(state.text(ctl::package_version), "old version");
  EXPECT_EQ(state.text(ctl::full_package), "old flag");
  EXPECT_EQ(state.text(ctl::status), test::wininet_text(ERROR_INTERNET_CANNOT_CONNECT));
}

}  // namespace

namespace {

// The sample service promises the digest and size of the package it serves; a promise that is
// no value is kept as invalid; without a reply text the proof stays as it was.
TEST_F(Queries, PackageProofFromTheReply) {
  PackageProof proof;
  ASSERT_TRUE(query_package(state, &proof));
  EXPECT_EQ(proof.sha256.size(), 64u);
  EXPECT_TRUE(proof.size && *proof.size > 0);
  EXPECT_EQ(proof.invalid, "");

  route("package", R"({"json": {"code": 0, "data": {"pospackage": "http://h/p.zip",
                       "posversion": "1", "is_full": "true", "size": "big"}}})");
  ASSERT_TRUE(query_package(state, &proof));
  EXPECT_EQ(proof.invalid, "size");
  route("package", R"({"status": 404})");
  EXPECT_FALSE(query_package(state, &proof));
  EXPECT_EQ(proof.invalid, "size");
}

// A retried query: the try on the status line while it pauses, a pause of 0.5 s, 1 s ... moved
// by up to a quarter, the window served all the while; afterwards the status line as it was.
TEST_F(Queries, ARetriedQueryPausesAndShowsTheTry) {
  state.set_text(ctl::status, "before");
  const struct {
    int attempt;
    DWORD low, high;  // the pause's bounds, with room for the query and the clock's steps
  } cases[] = {{2, 375 - 20, 625 + 250}, {2, 375 - 20, 625 + 250}, {3, 750 - 20, 1250 + 250}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attempt);
    DWORD last = GetTickCount(), longest = 0;
    std::string shown;
    state.on_pump = [&] {
      longest = std::max(longest, GetTickCount() - last);
      last = GetTickCount();
      shown = state.text(ctl::status);
    };
    const DWORD start = GetTickCount();
    EXPECT_TRUE(retry_package_query(state, c.attempt, 6));
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, c.low);
    EXPECT_LE(took, c.high);
    EXPECT_LE(longest, 100u);
    EXPECT_EQ(shown, "正在获取安装包下载地址：第 " + std::to_string(c.attempt) + " 次，共 6 次……");
    EXPECT_EQ(state.text(ctl::status), "before");
  }
}

}  // namespace
