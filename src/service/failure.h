// The internet failure path shared by the service requests and the package download.
//
//   catch (const win::InternetError& e) {
//     service::show_internet_failure(state, e);   // status line + the four inputs enabled
//     return {};
//   }
//
// The download adds its message box, log line and folder removal around the same text: take it
// from failure_text(e), set it on ctl::status, and call enable_inputs(state) at its step.
#pragma once

#include <string>

#include "state/run_state.h"
#include "win/errors.h"

namespace kestrion::service {

// The error's system text (for 12003 the server's response text) without its line end, cut to
// 254 bytes on a character boundary.
std::string failure_text(const win::InternetError& error);

// Puts failure_text on the status line (ctl::status) and enables Run, Browse, the service address and
// the install folder again. Shows no box and writes no log line. Returns the text shown.
std::string show_internet_failure(RunState& state, const win::InternetError& error);

}  // namespace kestrion::service
