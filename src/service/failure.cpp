#include "service/failure.h"

#include "text/codepage.h"

namespace kestrion::service {

std::string failure_text(const win::InternetError& error) {
  return text::cut_to_bytes(error.text(), kStatusTextBytes);
}

std::string show_internet_failure(RunState& state, const win::InternetError& error) {
  std::string text = failure_text(error);
  state.set_text(ctl::status, text);
  enable_inputs(state);
  return text;
}

}  // namespace kestrion::service
