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

// The named steps of a run, in their order.
enum class RunStep {
  check_inputs,      // a service address; the previous-install question
  prepare_folders,   // posclient.json's folder, the install root
  name_shortcut,     // the client-name query
  find_package,      // the package query, or the upgrade's own package
  download,          // the package into the version folder
  lay_out_files,     // the register check, the previous installation copied, the unpacking
  register_install,  // posconfig.json, the success marker, the swap, posclient.json
  finish,            // the shortcut, the client started or the success shown
};

// How a run ended, and in which step (the last one for a finished run; for a failure caught as
// an exception, the step that was under way).
struct RunEnd {
  RunOutcome outcome;
  RunStep step;
};

// The run sequence. Every step reports through the run state: status texts, the progress bar,
// boxes, the four inputs (disabled for the run, enabled again when it fails) and the
// run-in-progress flag, which is clear again when it returns.
RunOutcome run_sequence(RunState& state);
// The same, telling the step where it ended.
RunEnd run_sequence_end(RunState& state);

}  // namespace kestrion
