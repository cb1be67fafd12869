#include "service.h"

#include <winsock2.h>
#include <windows.h>

#include <json/json.h>

#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "support.h"
#include "text/convert.h"

namespace kestrion::test {

namespace {

constexpr DWORD kControlTimeoutMs = 10000;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The record holds the wire bytes as characters U+0000-U+00FF (JSON text in UTF-8); this gives
// the bytes back.
std::string wire_bytes(const std::string& utf8) {
  std::string out;
  for (wchar_t c : text::utf8_to_wide(utf8)) out += static_cast<char>(c & 0xFF);
  return out;
}

// The number in a port file, or 0 when there is none.
int read_port(const std::string& file) {
  HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  char buffer[32] = {};
  DWORD n = 0;
  ReadFile(h, buffer, sizeof buffer - 1, &n, nullptr);
  CloseHandle(h);
  return std::atoi(buffer);
}

class Socket {
 public:
  Socket() {
    static const bool started = [] {
      WSADATA data;
      return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("Winsock did not start");
    s_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s_ == INVALID_SOCKET) throw std::runtime_error("no socket");
    DWORD timeout = kControlTimeoutMs;
    setsockopt(s_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  }
  ~Socket() { closesocket(s_); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  void connect_to(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<u_short>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
      throw std::runtime_error("sample service not reachable on port " + std::to_string(port));
  }
  void send_all(const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
      int n = send(s_, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
      if (n <= 0) throw std::runtime_error("sample service: send failed");
      done += static_cast<size_t>(n);
    }
  }
  std::string receive_all() {
    std::string out;
    char buffer[16384];
    for (int n; (n = recv(s_, buffer, sizeof buffer, 0)) > 0;) out.append(buffer, n);
    return out;
  }

 private:
  SOCKET s_ = INVALID_SOCKET;
};

Json::Value parse(const std::string& utf8) {
  Json::Value root;
  Json::Reader reader;
  if (!reader.parse(utf8, root)) throw std::runtime_error("sample service: bad reply " + utf8);
  return root;
}

}  // namespace

std::string Request::header(const std::string& name) const {
  for (const auto& [key, value] : headers)
    if (lower(key) == lower(name)) return value;
  return {};
}

bool Request::has_header(const std::string& name) const {
  for (const auto& h : headers)
    if (lower(h.first) == lower(name)) return true;
  return false;
}

Service::Service() {
  const std::string port = env("KESTRION_SERVICE_PORT");
  port_ = port.empty() ? read_port(beside_this_program("service.port")) : std::atoi(port.c_str());
  if (port_ <= 0)
    throw std::runtime_error("no sample service: " + beside_this_program("service.port") +
                             " is missing (start it with tools/service-ctl start <folder>)");
  tls_port_ = read_port(beside_this_program("service.tls-port"));
}

std::string Service::base_url() const { return url("/"); }

std::string Service::secure_base_url() const {
  return tls_port_ > 0 ? "https://127.0.0.1:" + std::to_string(tls_port_) + "/" : "";
}

std::string Service::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string Service::control(const std::string& verb, const std::string& what,
                             const std::string& body) {
  Socket s;
  s.connect_to(port_);
  s.send_all(verb + " /__control/" + what + " HTTP/1.0\r\nHost: 127.0.0.1:" +
             std::to_string(port_) + "\r\nContent-Type: application/json\r\nContent-Length: " +
             std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
  const std::string reply = s.receive_all();
  const size_t head_end = reply.find("\r\n\r\n");
  const std::string status_line = reply.substr(0, reply.find("\r\n"));
  const std::string content = head_end == std::string::npos ? "" : reply.substr(head_end + 4);
  if (status_line.find(" 200 ") == std::string::npos)
    throw std::runtime_error("sample service refused " + what + ": " + status_line + " " + content);
  return content;
}

void Service::configure(const std::string& json) { control("POST", "config", text::ansi_to_utf8(json)); }

void Service::reset() { control("POST", "reset", ""); }

std::vector<Request> Service::requests() {
  const Json::Value list = parse(control("GET", "requests", ""));
  std::vector<Request> out;
  for (const Json::Value& r : list) {
    Request q;
    q.scheme = r["scheme"].asString();
    q.verb = r["verb"].asString();
    q.path = wire_bytes(r["path"].asString());
    q.version = r["version"].asString();
    for (const Json::Value& h : r["headers"])
      q.headers.emplace_back(wire_bytes(h[0].asString()), wire_bytes(h[1].asString()));
    q.body_length = r["body_length"].asInt();
    q.raw_head = wire_bytes(r["raw_head"].asString());
    out.push_back(std::move(q));
  }
  return out;
}

}  // namespace kestrion::test
