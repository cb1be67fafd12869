// The question a run asks first when the service already has an installation elsewhere.
#pragma once

#include "state/run_state.h"

namespace kestrion {

// When the previous install folder (ctl::previous_folder) exists and its parent differs from
// ctl::install_folder: shows IDS_PREVIOUS_FOLDER and the parent in the status line and asks
// IDS_NEW_FOLDER_PROMPT
// and the parent. No puts the parent into ctl::install_folder, clears the run-in-progress flag
// and returns false (the run ends); otherwise true.
bool previous_install_prompt(RunState& state);

}  // namespace kestrion
