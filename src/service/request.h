// One exchange with the service over WinINet: the shared procedure of both queries.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <optional>
#include <string>

#include "service/endpoint.h"
#include "state/run_state.h"

namespace kestrion {

// Sends the query to the service address of ctl::service_address (only its scheme, host and
// port), on the path that the marker (ctl::service_center) and the prefix (ctl::path_prefix)
// select, and logs that path. Returns the reply text in the ANSI code page: the whole body for
// status 200 (carriage returns dropped), "" for any other status. Returns nothing, at once and
// without a trace, for an address that is not http or https; and nothing after an internet
// failure, whose text is then on the status line with the inputs enabled. The network waits
// happen on a worker thread while the window keeps answering (see win/blocking.h).
std::optional<std::string> service_request(RunState& state, const ServiceQuery& query);

// Where a request goes: the parts of an http or https address that are used.
struct ServiceTarget {
  std::string host;
  INTERNET_PORT port = 0;  // the scheme's default when the address names none
  bool secure = false;     // https
};

// The target of a (normalised) service address; nothing unless the scheme is http or https and
// a host is named.
std::optional<ServiceTarget> parse_service_address(const std::string& address);

// The flags of the connection and of the request for http and https.
DWORD connection_flags(bool secure);
DWORD request_flags(bool secure);

}  // namespace kestrion
