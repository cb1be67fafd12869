#include "state/run_state.h"

namespace kestrion {

void enable_inputs(RunState& state) {
  // While a run is in progress its inputs stay as the run set them: the service address of the
  // package being installed must be the one recorded.
  if (state.running()) return;
  for (int id : ctl::inputs) state.enable(id, true);
}

void pump_messages(RunState& state, int count, int steps) {
  // The steps are spread among the passes: a step of a real bar is painted at once, which can
  // take the system milliseconds, and ten or twenty of them in a row would keep the window from
  // answering for a noticeable moment.
  int done = 0;
  for (int i = 0; i < count; ++i) {
    state.pump_one();
    const int due = static_cast<int>(static_cast<long long>(steps) * (i + 1) / count);
    for (; done < due; ++done) state.step_progress();
  }
  for (; done < steps; ++done) state.step_progress();
}

}  // namespace kestrion
