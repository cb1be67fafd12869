// The two questions the run asks the service.
#pragma once

#include <optional>
#include <string>

#include "state/run_state.h"

namespace kestrion {

// The desktop shortcut name, or "" when the service gives none. Changes nothing else but what
// service_request does on an internet failure (status line, inputs enabled).
std::string query_client_name(RunState& state);

// The package address; nothing when the service gives none (an empty address is none). With a
// non-empty reply text it also sets the package version (ctl::package_version) and the
// full-package flag (ctl::full_package), both emptied when the reply is no answer; without a
// reply text (no http address, internet failure, status other than 200, empty body) they keep
// their texts.
std::optional<std::string> query_package(RunState& state);

}  // namespace kestrion
