// One install or one upgrade, from the values in the dialog to a started client.
#pragma once

#include "state/run_state.h"

namespace kestrion {

enum class RunOutcome {
  refused,    // a run was already in progress: nothing done
  stopped,    // ended before any work: no service address, or No to the previous-install prompt
  failed,     // a step failed: its text is in the status line, the inputs are enabled again
  finished,   // installed; the caller ends the process with exit code 1
};

// The run sequence. Every step reports through the run state: status texts, the progress bar,
// boxes, the four inputs (disabled for the run, enabled again when it fails) and the
// run-in-progress flag, which is clear again when it returns.
RunOutcome run_sequence(RunState& state);

}  // namespace kestrion
