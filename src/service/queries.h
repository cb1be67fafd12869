// The two questions the run asks the service.
#pragma once

#include <optional>
#include <string>

#include "service/package_proof.h"
#include "state/run_state.h"

namespace kestrion {

// The desktop shortcut name, or "" when the service gives none. Changes nothing else but what
// service_request does on an internet failure (status line, inputs enabled).
std::string query_client_name(RunState& state);

// The package address; nothing when the service gives none (an empty address is none). With a
// non-empty reply text it also sets the package version (ctl::package_version) and the
// full-package flag (ctl::full_package), both emptied when the reply is no answer; without a
// reply text (no http address, internet failure, status other than 200, empty body) they keep
// their texts. `proof`, when given, is treated like those two controls: it receives the size and
// SHA-256 the reply promises (none when it is no answer) and is left alone without a reply text.
std::optional<std::string> query_package(RunState& state, PackageProof* proof = nullptr);

// Package query `attempt` of `attempts` (2 and later), after a pause that doubles from about
// 0.5 s (0.5, 1, 2, 4, 8 s), each moved by a random amount of up to a quarter either way, while
// the window keeps answering: a chain's tills that all start after the same failure thus ask
// again at different moments, and less and less often. The status line shows the try during
// the pause and the query, and afterwards what the query left there (its failure text, or what
// stood there before). The inputs, which a failed query enables, are disabled again for the
// pause: the run is still going.
std::optional<std::string> retry_package_query(RunState& state, int attempt, int attempts,
                                               PackageProof* proof = nullptr);

}  // namespace kestrion
