#include "service/session.h"

#include "win/app.h"
#include "win/errors.h"

namespace kestrion::service {

namespace {

constexpr DWORD kConnectTimeoutMs = 20000;
constexpr DWORD kConnectBackoffMs = 1000;
constexpr DWORD kConnectRetries = 1;

// A numeric session option; like the framework, the result is not looked at.
void set_option(HINTERNET session, DWORD option, DWORD value) {
  InternetSetOptionExA(session, option, &value, sizeof value, 0);
}

}  // namespace

win::InetHandle open_session(SessionOptions options) {
  win::InetHandle session(win::check_internet(InternetOpenA(
      win::app_name().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)));
  if (options == SessionOptions::request) {
    set_option(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, kConnectTimeoutMs);
    set_option(session.get(), INTERNET_OPTION_CONNECT_BACKOFF, kConnectBackoffMs);
    set_option(session.get(), INTERNET_OPTION_CONNECT_RETRIES, kConnectRetries);
  }
  return session;
}

}  // namespace kestrion::service
