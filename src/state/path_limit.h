// Refusing a path past the Windows limit (text::path_fits) with a clear status-line text.
#pragma once

#include <string>

#include "state/run_state.h"

namespace kestrion {

// The status-line text for a refused path; the path follows it.
extern const char* const kPathTooLongText;

// True when `path` fits; otherwise puts kPathTooLongText and the path into the status line.
bool path_allowed(RunState& state, const std::string& path);

}  // namespace kestrion
