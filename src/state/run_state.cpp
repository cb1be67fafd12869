#include "state/run_state.h"

namespace kestrion {

void enable_inputs(RunState& state) {
  // While a run is in progress its inputs stay as the run set them: the service address of the
  // package being installed must be the one recorded.
  if (state.running()) return;
  for (int id : ctl::inputs) state.enable(id, true);
}

void pump_messages(RunState& state, int count, int steps) {
  for (int i = 0; i < count; ++i) state.pump_one();
  for (int i = 0; i < steps; ++i) state.step_progress();
}

}  // namespace kestrion
