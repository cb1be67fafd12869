// The sample service as the other tests rely on it: settings and routes per test case, the
// record of what arrived, generated files.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include "service.h"
#include "support.h"

using namespace kestrion;

namespace {

// One raw HTTP/1.0 exchange, so the test sees the service's bytes without any client between.
std::string fetch(int port, const std::string& head) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<u_short>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string out;
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    send(s, head.data(), static_cast<int>(head.size()), 0);
    char buffer[65536];
    for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) out.append(buffer, n);
  }
  closesocket(s);
  return out;
}

std::string body_of(const std::string& reply) {
  size_t end = reply.find("\r\n\r\n");
  return end == std::string::npos ? "" : reply.substr(end + 4);
}

class SampleService : public ::testing::Test {
 protected:
  void SetUp() override { service.reset(); }
  test::Service service;
};

TEST_F(SampleService, RecordsTheRequestBytesAndAnswersTheQueries) {
  const std::string head =
      "POST /api/clientname/query HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded;"
      "\r\nContent-Length: 0\r\n\r\n";
  const std::string reply = fetch(service.port(), head);
  EXPECT_EQ(reply.substr(0, 13), "HTTP/1.1 200 ");
  // The default name is Chinese, sent as UTF-8.
  EXPECT_EQ(body_of(reply), "{\"code\":0,\"data\":\"\xe8\x93\x9d\xe9\x9b\x80\xe6\x94\xb6\xe9\x93\xb6"
                            "\xe5\x8f\xb0\"}");
  auto seen = service.requests();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].verb, "POST");
  EXPECT_EQ(seen[0].path, "/api/clientname/query");
  EXPECT_EQ(seen[0].version, "HTTP/1.0");
  EXPECT_EQ(seen[0].raw_head, head);
  EXPECT_EQ(seen[0].header("content-type"), "application/x-www-form-urlencoded;");
  EXPECT_EQ(seen[0].body_length, 0);
}

TEST_F(SampleService, RoutesPrefixAndNamesPerTestCase) {
  service.configure(R"({"prefix": "pos", "client_name": "门店",
                        "routes": {"package": {"status": 503, "times": 1}}})");
  const std::string package = "GET /pos/api/posinstall/query?posversion=&&system=Windows&&storeid= "
                              "HTTP/1.0\r\n\r\n";
  EXPECT_EQ(fetch(service.port(), package).substr(9, 3), "503");
  EXPECT_EQ(fetch(service.port(), package).substr(9, 3), "200");  // the route wore out
  EXPECT_EQ(body_of(fetch(service.port(), "POST /pos/api/clientname/query HTTP/1.0\r\n\r\n")),
            "{\"code\":0,\"data\":\"\xe9\x97\xa8\xe5\xba\x97\"}");
  EXPECT_EQ(fetch(service.port(), "POST /api/clientname/query HTTP/1.0\r\n\r\n").substr(9, 3),
            "404");
  // A doubled slash (a prefix that ends in "/") is matched folded and recorded as sent.
  EXPECT_EQ(fetch(service.port(), "POST /pos//api/clientname/query HTTP/1.0\r\n\r\n").substr(9, 3),
            "200");
  EXPECT_EQ(service.requests().back().path, "/pos//api/clientname/query");
  EXPECT_EQ(service.requests().size(), 5u);
  EXPECT_THROW(service.configure(R"({"no_such_setting": 1})"), std::runtime_error);
}

TEST_F(SampleService, GeneratedFilesAndCutBodies) {
  std::string body = body_of(fetch(service.port(), "GET /bytes/513/p.zip HTTP/1.0\r\n\r\n"));
  ASSERT_EQ(body.size(), 513u);
  for (size_t i = 0; i < body.size(); ++i) ASSERT_EQ(static_cast<unsigned char>(body[i]), i % 251);
  service.configure(R"({"routes": {"/bytes/100000": {"drop_after": 1000}}})");
  EXPECT_EQ(body_of(fetch(service.port(), "GET /bytes/100000 HTTP/1.0\r\n\r\n")).size(), 1000u);
}

}  // namespace
