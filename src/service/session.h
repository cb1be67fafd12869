// The internet session of one exchange with the service. Each request and each download opens
// its own and closes it (by the handle going out of scope) before it returns.
//
//   win::InetHandle session = service::open_session(service::SessionOptions::request);
//   ... InternetConnectA(session.get(), ...) / InternetOpenUrlA(session.get(), ...) ...
//
// Failure to open one throws win::InternetError (catch it where the behaviour says).
#pragma once

#include "win/handles.h"

namespace kestrion::service {

enum class SessionOptions {
  request,  // connect time-out 20000 ms, back-off 1000 ms, one retry
  none,     // the system's defaults (the package download)
};

// A synchronous session with the application name as user agent and the system's proxy
// settings.
win::InetHandle open_session(SessionOptions options);

}  // namespace kestrion::service
