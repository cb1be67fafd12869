// The progress schedule of a run's install phase. After the download the bar starts again at 0,
// steps to 1, and moves towards 100 at marks between the steps; at each mark messages are
// drained, so the window stays live between operations that pump little. A reinstall into a
// folder that is already registered skips the two register marks and reaches 56 before the fill.
#pragma once

#include "state/run_state.h"

namespace kestrion::progress {

struct Mark {
  int messages;  // pending messages drained (each pass looks once)
  int steps;     // steps of the bar (its step is 1)
};

constexpr Mark install_started{10, 10};    // 1 -> 11
constexpr Mark register_checked{10, 20};   // -> 31
constexpr Mark unpacked{10, 10};           // -> 41
constexpr Mark client_registered{10, 10};  // -> 51, only when posclient.json was rewritten
constexpr Mark config_saved{10, 10};       // -> 61, only when posclient.json was rewritten
constexpr Mark marker_made{10, 10};        // -> 71 (51)
constexpr Mark shortcut_made{100, 5};      // -> 76 (56)
constexpr Mark package_removed{10, 0};
constexpr Mark fill_step{10, 1};           // repeated until the bar stands at 100

inline void reach(RunState& state, Mark mark) { pump_messages(state, mark.messages, mark.steps); }

// Steps the bar to 100, one fill step at a time.
inline void fill(RunState& state) {
  for (int i = 0, n = 100 - state.progress_pos(); i < n; ++i) reach(state, fill_step);
}

}  // namespace kestrion::progress
