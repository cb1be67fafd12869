// A pause between tries that keeps the window answering: each message is taken as it comes, and
// the run state's pump runs at least every win::kTickMs.
#pragma once

#include <windows.h>

#include "state/run_state.h"

namespace kestrion::service {

void pause(RunState& state, DWORD ms);

}  // namespace kestrion::service
