#include "state/run_state.h"

namespace kestrion {

void enable_inputs(RunState& state) {
  for (int id : ctl::inputs) state.enable(id, true);
}

void pump_messages(RunState& state, int count, int steps) {
  for (int i = 0; i < count; ++i) state.pump_one();
  for (int i = 0; i < steps; ++i) state.step_progress();
}

}  // namespace kestrion
