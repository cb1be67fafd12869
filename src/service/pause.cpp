#include "service/pause.h"

#include "win/blocking.h"

namespace kestrion::service {

void pause(RunState& state, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD passed = GetTickCount() - start;
    if (passed >= ms) return;
    const DWORD wait = ms - passed < win::kTickMs ? ms - passed : win::kTickMs;
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    state.pump_one();  // a message, or a tick without one: nothing pending is cheap
  }
}

}  // namespace kestrion::service
