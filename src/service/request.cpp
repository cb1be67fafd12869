#include "service/request.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "config/client_entries.h"
#include "log/log.h"
#include "service/failure.h"
#include "service/session.h"
#include "text/convert.h"
#include "win/blocking.h"
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

// The body as the reply text: every carriage return dropped, as the line-wise reading of a
// text stream does.
std::string without_carriage_returns(std::string raw) {
  raw.erase(std::remove(raw.begin(), raw.end(), '\r'), raw.end());
  return raw;
}

// The whole body of the reply, as it came.
std::string read_raw_body(HINTERNET request) {
  std::string raw;
  char block[kReadBlockBytes];
  for (;;) {
    DWORD n = 0;
    win::check_internet(InternetReadFile(request, block, sizeof block, &n));
    if (n == 0) return raw;
    raw.append(block, n);
  }
}

// The network part of steps 2 to 12, on a worker thread: nothing for an address without a
// target, "" for a status other than 200, else the raw body. Throws win::InternetError.
std::optional<std::string> exchange_on_the_wire(const ServiceQuery& query,
                                                const std::string& address,
                                                const std::string& path) {
  win::InetHandle session = service::open_session(service::SessionOptions::request);
  const std::optional<ServiceTarget> target = parse_service_address(address);
  if (!target) return std::nullopt;

  win::InetHandle connection(win::check_internet(
      InternetConnectA(session.get(), target->host.c_str(), target->port, nullptr, nullptr,
                       INTERNET_SERVICE_HTTP, connection_flags(target->secure), 0)));
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
  return read_raw_body(request.get());
}

// Steps 2 to 12 for an address already normalised; the caller catches the internet failure.
// The waits for the network happen on a worker, so the window answers while the service does not.
std::optional<std::string> exchange(RunState& state, const ServiceQuery& query,
                                    const std::string& address) {
  const std::string path = endpoint_path(query, state.text(ctl::service_center),
                                         state.text(ctl::path_prefix));
  const std::optional<std::string> raw =
      win::run_blocking(state, [&] { return exchange_on_the_wire(query, address, path); });
  if (!raw || raw->empty()) return raw;
  return text::utf8_to_ansi(without_carriage_returns(*raw));
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
