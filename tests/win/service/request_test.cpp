// service_request against the sample service: the exact requests on the wire, how the reply
// body is read and converted, and each way an exchange ends without a reply text.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <algorithm>

#include <json/json.h>

#include "log/log.h"
#include "service/envelope.h"
#include "endpoint_cases.h"
#include "service/request.h"
#include "service.h"
#include "state/memory_state.h"
#include "support.h"
#include "win/errors.h"

using namespace kestrion;

namespace {

const std::vector<int> kInputs = {ctl::run, ctl::browse, ctl::service_address,
                                  ctl::install_folder};

// A port on 127.0.0.1 where nothing listens.
int closed_port() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  closesocket(s);
  return ntohs(a.sin_port);
}

class Request : public ::testing::Test {
 protected:
  void SetUp() override {
    service.reset();
    test::remove_tree(exe_folder() + "log");
    state.set_text(ctl::service_address, service.base_url());
    state.set_text(ctl::status, "before");
    for (int id : kInputs) state.enable(id, false);
    state.enable_order.clear();
  }

  // Nothing reported: status line and the disabled inputs as they were.
  void expect_nothing_reported() {
    EXPECT_EQ(state.text(ctl::status), "before");
    EXPECT_TRUE(state.enable_order.empty());
    for (int id : kInputs) EXPECT_FALSE(state.enabled(id)) << id;
  }

  test::Service service;
  MemoryRunState state;
};

TEST_F(Request, PathOnTheWireFollowsMarkerAndPrefix) {
  for (const cases::EndpointCase& c : cases::kEndpoints) {
    SCOPED_TRACE(c.path);
    service.reset();
    state.set_text(ctl::service_center, c.marker);
    state.set_text(ctl::path_prefix, c.prefix);
    ASSERT_TRUE(service_request(state, c.query));
    const auto seen = service.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].verb, c.query.verb);
    EXPECT_EQ(seen[0].path, c.path[0] == '/' ? std::string(c.path) : "/" + std::string(c.path));
    EXPECT_EQ(test::log_lines().back(), "服务接口地址》》》 " + std::string(c.path));
  }
}

// A service that accepts and then says nothing for 1.5 s: the window is served at least every
// 100 ms while the query waits.
TEST_F(Request, TheWindowAnswersWhileTheServiceSaysNothing) {
  service.configure(R"({"routes": {"clientname": {"delay_ms": 1500}}})");
  test::Gaps gaps;
  state.on_pump = [&] { gaps.tick(); };
  const DWORD start = GetTickCount();
  ASSERT_TRUE(service_request(state, kClientNameQuery));
  EXPECT_LE(gaps.stop(), 100u);
  EXPECT_GE(GetTickCount() - start, 1500u);
}

TEST_F(Request, OneHeaderNoBodyHttp10) {
  for (const ServiceQuery* query : {&kClientNameQuery, &kPackageQuery}) {
    service.reset();
    ASSERT_TRUE(service_request(state, *query));
    const auto seen = service.requests();
    ASSERT_EQ(seen.size(), 1u);
    const test::Request& r = seen[0];
    EXPECT_EQ(r.version, "HTTP/1.0");
    EXPECT_EQ(r.raw_head.substr(0, r.raw_head.find("\r\n")),
              std::string(query->verb) + " " + r.path + " HTTP/1.0");
    int content_types = 0;
    for (const auto& h : r.headers) content_types += h.first == "Content-Type";
    EXPECT_EQ(content_types, 1);
    EXPECT_NE(r.raw_head.find("\r\nContent-Type: application/x-www-form-urlencoded;\r\n"),
              std::string::npos)
        << r.raw_head;
    EXPECT_EQ(r.header("User-Agent"), "win_service");  // the application name
    EXPECT_EQ(r.header("Host"), "127.0.0.1:" + std::to_string(service.port()));
    EXPECT_EQ(r.body_length, 0);
  }
}

TEST_F(Request, OnlySchemeHostAndPortOfTheAddressAreUsed) {
  const std::string addresses[] = {service.base_url() + "erp/",
                                   service.base_url() + "erp/x?y=1",
                                   "http://127.0.0.1:" + std::to_string(service.port())};
  for (const std::string& address : addresses) {
    service.reset();
    state.set_text(ctl::service_address, address);
    EXPECT_TRUE(service_request(state, kClientNameQuery)) << address;
    const auto seen = service.requests();
    ASSERT_EQ(seen.size(), 1u) << address;
    EXPECT_EQ(seen[0].path, "/api/clientname/query") << address;
  }
}

TEST_F(Request, AddressThatIsNotHttpEndsAtOnceWithoutATrace) {
  const std::string port = std::to_string(service.port());
  const std::string addresses[] = {"127.0.0.1:" + port, "127.0.0.1:" + port + "/",
                                   "ftp://127.0.0.1:" + port + "/", "", "http:", "http:///",
                                   "https://"};
  for (const std::string& address : addresses) {
    state.set_text(ctl::service_address, address);
    EXPECT_FALSE(service_request(state, kClientNameQuery)) << address;
  }
  EXPECT_TRUE(service.requests().empty());
  EXPECT_TRUE(test::log_lines().empty());
  expect_nothing_reported();
}

TEST_F(Request, UnreachablePortRunsTheFailurePath) {
  state.set_text(ctl::service_address, "http://127.0.0.1:" + std::to_string(closed_port()) + "/");
  EXPECT_FALSE(service_request(state, kClientNameQuery));
  EXPECT_EQ(state.text(ctl::status), test::wininet_text(ERROR_INTERNET_CANNOT_CONNECT));
  EXPECT_EQ(state.enable_order, kInputs);
  EXPECT_TRUE(state.boxes.empty());
  EXPECT_EQ(test::log_lines(), std::vector<std::string>{"服务接口地址》》》 api/clientname/query"});
}

TEST_F(Request, StatusOtherThan200ReadsNoBody) {
  for (int status : {404, 500, 201, 302}) {
    service.configure(R"({"routes": {"clientname": {"status": )" + std::to_string(status) +
                      R"(, "json": {"code": 0, "data": "x"}}}})");
    const auto reply = service_request(state, kClientNameQuery);
    ASSERT_TRUE(reply) << status;
    EXPECT_EQ(*reply, "") << status;
  }
  expect_nothing_reported();
}

// The reply text is the whole body, however long its lines, without its carriage returns.
TEST_F(Request, BodyIsTheReplyWithoutCarriageReturns) {
  struct Case {
    const ServiceQuery& query;
    std::string body, reply;
  };
  const std::string long_line = "{\"code\":0,\"data\":\"" + std::string(20000, 'x') + "\"}";
  const Case cases[] = {
      {kPackageQuery, long_line, long_line},
      {kClientNameQuery, long_line, long_line},
      {kClientNameQuery, std::string(1024, 'a'), std::string(1024, 'a')},
      {kClientNameQuery, "{\r\n \"code\": 0\r\n}\r\n", "{\n \"code\": 0\n}\n"},
      {kClientNameQuery, "a\rb\n\nc", "ab\n\nc"},
      {kClientNameQuery, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply.substr(0, 40));
    service.configure(R"({"routes": {"clientname": null, "package": null}})");
    Json::Value route;
    route["body"] = c.body;
    Json::Value config;
    config["routes"][&c.query == &kPackageQuery ? "package" : "clientname"] = route;
    service.configure(config.toStyledString());
    const auto reply = service_request(state, c.query);
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, c.reply);
  }
}

TEST_F(Request, Utf8BodyBecomesAnsi) {
  service.configure(R"({"routes": {"clientname": {"body": "门店 蓝雀 ok"}}})");
  EXPECT_EQ(service_request(state, kClientNameQuery), "门店 蓝雀 ok");
  // A character code page 936 lacks becomes its default character.
  service.configure(R"({"routes": {"clientname": {"body_base64": "4pyTIGEg"}}})");  // U+2713
  EXPECT_EQ(service_request(state, kClientNameQuery), "? a ");
}

TEST_F(Request, BodyCutShortIsNoAnswer) {
  // What arrives is parsed as it is: a body cut in mid-JSON is no answer, whether the cut shows
  // as a failed read (failure path) or as the end of the body. A Content-Length longer than the
  // body is harmless once the whole JSON has arrived.
  struct Case {
    const char* route;
    std::string name;
  };
  const Case cases[] = {{R"({"drop_after": 10})", ""},
                        {R"({"content_length": 5000})", "蓝雀收银台"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.route);
    state.enable_order.clear();
    service.configure(std::string(R"({"routes": {"clientname": )") + c.route + "}}");
    const auto reply = service_request(state, kClientNameQuery);
    if (reply) {
      EXPECT_EQ(client_name_from_reply(*reply), c.name) << *reply;
      EXPECT_TRUE(state.enable_order.empty());
    } else {
      EXPECT_EQ(c.name, "");
      EXPECT_EQ(state.enable_order, kInputs);
    }
  }
}

TEST_F(Request, HttpsUsesPort443AndTheSecureFlags) {
  struct Case {
    std::string address, host;
    INTERNET_PORT port;
    bool secure;
  };
  const Case cases[] = {
      {"https://127.0.0.1/", "127.0.0.1", 443, true},
      {"https://pos.example.com:8443/erp/", "pos.example.com", 8443, true},
      {"http://127.0.0.1/", "127.0.0.1", 80, false},
      {"HTTP://Host:8080/", "Host", 8080, false},
  };
  for (const Case& c : cases) {
    const auto target = parse_service_address(c.address);
    ASSERT_TRUE(target) << c.address;
    EXPECT_EQ(target->host, c.host);
    EXPECT_EQ(target->port, c.port);
    EXPECT_EQ(target->secure, c.secure);
  }
  for (const char* address : {"127.0.0.1:80/", "ftp://h/", "file:///C:/x", "/", "mailto:a@b"})
    EXPECT_FALSE(parse_service_address(address)) << address;
  EXPECT_EQ(connection_flags(false), 0x00400000u);
  EXPECT_EQ(connection_flags(true), 0x00C00000u);
  EXPECT_EQ(request_flags(false), 0x84000000u);
  EXPECT_EQ(request_flags(true), 0x84801000u);
}

}  // namespace
