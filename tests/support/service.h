// The sample back-office service (tools/sample_service.py) as the Windows tests see it: its
// address, its control interface (settings and routes per test case) and its record of the
// requests it received. The control exchanges use plain sockets, not WinINet, so they never
// share a connection or a cache with the code under test.
//
//   test::Service service;                       // the fixture's service of this test program
//   service.reset();                             // start-up settings, no routes, empty record
//   service.configure(R"({"routes": {"clientname": {"status": 404}}})");
//   state.set_text(ctl::service_address, service.base_url());
//   ... run the operation ...
//   auto seen = service.requests();              // verb, path, headers, raw head bytes
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kestrion::test {

// One request as the service received it. Texts are the bytes on the wire.
struct Request {
  std::string scheme;  // "http", or "https" on the service's https port
  std::string verb;
  std::string path;     // as on the request line, query string included
  std::string version;  // "HTTP/1.0", "HTTP/1.1"
  std::vector<std::pair<std::string, std::string>> headers;  // in the order sent
  int body_length = 0;
  std::string raw_head;  // request line and header lines, CR LF and the empty line included

  // The first header of that name (case-insensitive), or "" when there is none.
  std::string header(const std::string& name) const;
  bool has_header(const std::string& name) const;
};

class Service {
 public:
  // The service of this test program's fixture: the port in KESTRION_SERVICE_PORT, else the
  // file service.port beside the running program (written by tools/service-ctl start).
  Service();
  explicit Service(int port) : port_(port) {}

  int port() const { return port_; }
  // "http://127.0.0.1:<port>/", the form of a service address.
  std::string base_url() const;
  // "https://127.0.0.1:<https port>/" of a service started with --tls (its certificate, for
  // 127.0.0.1 only, is signed by tls\ca.pem beside the program); "" without one.
  std::string secure_base_url() const;
  // "http://127.0.0.1:<port>" + path (path starts with "/").
  std::string url(const std::string& path) const;

  // Merges settings and routes (a JSON object in the program's ANSI code page; it is sent as
  // UTF-8). Throws std::runtime_error when the service refuses it.
  void configure(const std::string& json);
  // Back to the start-up settings, no routes, an empty record.
  void reset();
  // Every request recorded since the last reset, oldest first.
  std::vector<Request> requests();

 private:
  std::string control(const std::string& verb, const std::string& what, const std::string& body);
  int port_ = 0;
  int tls_port_ = 0;
};

}  // namespace kestrion::test
