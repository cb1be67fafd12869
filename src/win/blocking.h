// Blocking work off the user-interface thread. A call that can wait for the network or the disk
// for seconds runs on a worker thread of its own, while this thread keeps the window answering:
// it waits for the worker and for messages at once and takes each message as it comes, and at
// least every kTickMs one round of the run state's pump.
//
//   const std::string body = win::run_blocking(state, [&] { return read_reply(request); });
//
// The work must not touch the run state or a window (hand its progress over through
// `on_tick`, which runs on this thread about every kTickMs while the work goes on). What it
// returns is returned here; an exception it throws is thrown here.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <optional>
#include <thread>
#include <type_traits>

#include "state/run_state.h"
#include "win/handles.h"

namespace kestrion::win {

constexpr DWORD kTickMs = 15;

template <typename Work>
auto run_blocking(RunState& state, Work&& work, const std::function<void()>& on_tick = {})
    -> decltype(work()) {
  using Result = decltype(work());
  KernelHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::exception_ptr failure;
  std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>> result{};
  std::thread worker([&] {
    try {
      if constexpr (std::is_void_v<Result>) {
        work();
      } else {
        result.emplace(work());
      }
    } catch (...) {
      failure = std::current_exception();
    }
    SetEvent(done.get());
  });
  HANDLE wait = done.get();
  DWORD last_tick = GetTickCount();
  for (;;) {
    const DWORD woke =
        MsgWaitForMultipleObjectsEx(1, &wait, kTickMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) break;
    // A message, or a tick without one: the state takes what is pending (nothing is cheap).
    state.pump_one();
    if (GetTickCount() - last_tick >= kTickMs) {
      last_tick = GetTickCount();
      if (on_tick) on_tick();
    }
  }
  worker.join();
  if (failure) std::rethrow_exception(failure);
  if constexpr (!std::is_void_v<Result>) return std::move(*result);
}

}  // namespace kestrion::win
