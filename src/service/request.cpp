#include "service/request.h"

#include <cstring>
#include <vector>

#include "config/client_entries.h"
#include "log/log.h"
#include "service/failure.h"
#include "service/session.h"
#include "text/convert.h"
#include "win/errors.h"

namespace kestrion {

namespace {

constexpr DWORD kStatusOk = 200;
constexpr DWORD kContext = 1;
constexpr const char* kHttpVersion = "HTTP/1.0";
// The one header, 48 bytes with its trailing semicolon, sent without a line end.
constexpr const char* kContentType = "Content-Type: application/x-www-form-urlencoded;";
constexpr DWORD kHostBufferBytes = INTERNET_MAX_HOST_NAME_LENGTH + 1;
constexpr DWORD kReadBlockBytes = 4096;

// The body as lines: each piece is the next line up to and including its line feed, every
// carriage return dropped, or the next piece_size - 1 bytes of a longer line.
class LineReader {
 public:
  LineReader(HINTERNET request, int piece_size)
      : request_(request), max_(static_cast<std::size_t>(piece_size) - 1) {}

  // False at the end of the body; throws win::InternetError when a read fails.
  bool next(std::string& piece) {
    piece.clear();
    while (piece.size() < max_) {
      if (pos_ == end_ && !fill()) break;
      const char c = block_[pos_++];
      if (c == '\r') continue;
      piece += c;
      if (c == '\n') break;
    }
    return !piece.empty();
  }

 private:
  bool fill() {
    DWORD n = 0;
    win::check_internet(InternetReadFile(request_, block_, sizeof block_, &n));
    pos_ = 0;
    end_ = n;
    return n > 0;
  }

  HINTERNET request_;
  std::size_t max_;
  char block_[kReadBlockBytes];
  std::size_t pos_ = 0, end_ = 0;
};

std::string read_body(RunState& state, HINTERNET request, int piece_size) {
  std::string body, piece;
  LineReader reader(request, piece_size);
  while (reader.next(piece)) {
    state.pump_one();
    body += piece;
  }
  return body;
}

// Steps 2 to 12 for an address already normalised; the caller catches the internet failure.
std::optional<std::string> exchange(RunState& state, const ServiceQuery& query,
                                    const std::string& address) {
  win::InetHandle session = service::open_session(service::SessionOptions::request);
  const std::optional<ServiceTarget> target = parse_service_address(address);
  if (!target) return std::nullopt;

  win::InetHandle connection(win::check_internet(
      InternetConnectA(session.get(), target->host.c_str(), target->port, nullptr, nullptr,
                       INTERNET_SERVICE_HTTP, connection_flags(target->secure), 0)));

  const std::string path = endpoint_path(query, state.text(ctl::service_center),
                                         state.text(ctl::path_prefix));
  write_log(endpoint_log_line(path));

  win::InetHandle request(win::check_internet(
      HttpOpenRequestA(connection.get(), query.verb, path.c_str(), kHttpVersion, nullptr, nullptr,
                       request_flags(target->secure), kContext)));
  win::check_internet(HttpSendRequestA(request.get(), kContentType,
                                       static_cast<DWORD>(std::strlen(kContentType)), nullptr, 0));

  DWORD status = 0, size = sizeof status;
  if (!HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                      &size, nullptr) ||
      status != kStatusOk)
    return std::string();
  return text::utf8_to_ansi(read_body(state, request.get(), query.piece_size));
}

}  // namespace

std::optional<ServiceTarget> parse_service_address(const std::string& address) {
  DWORD length = static_cast<DWORD>(address.size()) * 3 + INTERNET_MAX_URL_LENGTH;
  std::vector<char> canonical(length);
  if (!InternetCanonicalizeUrlA(address.c_str(), canonical.data(), &length, ICU_BROWSER_MODE))
    return std::nullopt;

  char host[kHostBufferBytes] = {};
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = kHostBufferBytes;
  if (!InternetCrackUrlA(canonical.data(), 0, 0, &parts)) return std::nullopt;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
    return std::nullopt;
  // "http:///" (a program name without a code) names no host: nothing to connect to.
  if (parts.dwHostNameLength == 0) return std::nullopt;
  return ServiceTarget{std::string(host, parts.dwHostNameLength), parts.nPort,
                       parts.nScheme == INTERNET_SCHEME_HTTPS};
}

DWORD connection_flags(bool secure) {
  return INTERNET_FLAG_KEEP_CONNECTION | (secure ? INTERNET_FLAG_SECURE : 0);
}

DWORD request_flags(bool secure) {
  const DWORD http = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
  // A certificate for another host name is accepted; any other certificate fault fails.
  return secure ? http | INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_CERT_CN_INVALID : http;
}

std::optional<std::string> service_request(RunState& state, const ServiceQuery& query) {
  const std::string address = normalized_service_url(state.text(ctl::service_address));
  try {
    return exchange(state, query, address);
  } catch (const win::InternetError& e) {
    service::show_internet_failure(state, e);
    return std::nullopt;
  }
}

}  // namespace kestrion
