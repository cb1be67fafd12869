// The staged install. The new content of a version folder is built in a stage beside it
// (<version>.new) and swapped in by two renames: the version folder aside (<version>.old), the
// stage into its place; then the old content goes. A failure before the swap leaves the version
// folder as it was; a kill at any point leaves names from which the next start restores either
// the old content or the new one, complete.
#pragma once

#include <string>

#include "state/run_state.h"

namespace kestrion {

std::string stage_path(const std::string& version_folder);  // <version>.new
std::string aside_path(const std::string& version_folder);  // <version>.old

// True when `folder` holds the client (app\TILLWRIGHT.exe, a file).
bool holds_client(const std::string& folder);
// True when `folder` holds a finished installation: the client and its success marker.
bool holds_installation(const std::string& folder);

// Finishes or undoes a swap that was interrupted, from the names alone: a complete stage whose
// version folder was already set aside takes its place; otherwise the old content is put back
// and the stage removed. Leftover old content of a finished swap is removed.
void recover_version_folder(RunState& state, const std::string& version_folder);

// A new empty stage for `version_folder` (a leftover one removed first). False when it cannot be
// made; the status line then says why.
bool make_stage(RunState& state, const std::string& version_folder);

// Removes the stage of `version_folder`, whatever it holds.
void remove_stage(RunState& state, const std::string& version_folder);

// The swap. True when the stage is the version folder now. False when the system refused a
// rename: the version folder is then as it was, the stage removed, and the status line and the
// log say what was refused.
bool swap_in_stage(RunState& state, const std::string& version_folder);

}  // namespace kestrion
