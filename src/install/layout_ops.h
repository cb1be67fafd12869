// The installation's folders on disk and the start of the installed client.
#pragma once

#include <string>

#include "state/run_state.h"

namespace kestrion {

// Makes one folder of the layout (install root, host folder, version folder, success marker)
// when the system does not report it as a folder; one level only, so a missing parent is not
// made and a failed creation is left for the later steps to meet. False only when the path
// passes the limit (the status line then says so).
bool make_layout_folder(RunState& state, const std::string& path);

// Starts version_folder\app\TILLWRIGHT.exe through the shell's "open" verb: no owner, the path
// in double quotes, no parameters, no working folder, shown normally.
// True when the shell started it; otherwise the status line says why (a path past the limit, or
// the system's text for the refusal with IDS_CLIENT_NOT_STARTED and the path).
bool launch_client(RunState& state, const std::string& version_folder);

}  // namespace kestrion
