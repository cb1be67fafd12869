// Refusing a path past the Windows limit (text::path_fits) with a clear status-line text.
#pragma once

#include <string>

#include "state/run_state.h"

namespace kestrion {

// The status-line text for a refused path (string IDS_PATH_TOO_LONG); the path follows it.
std::string path_too_long_text();

// True when `path` fits; otherwise puts path_too_long_text() and the path into the status line.
bool path_allowed(RunState& state, const std::string& path);

}  // namespace kestrion
