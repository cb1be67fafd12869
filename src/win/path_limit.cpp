#include "win/path_limit.h"

#include "text/path.h"
#include "win/app.h"

namespace kestrion {

std::string path_too_long_text() { return win::load_string(IDS_PATH_TOO_LONG); }

bool path_allowed(RunState& state, const std::string& path) {
  if (text::path_fits(path)) return true;
  state.set_text(ctl::status, path_too_long_text() + path);
  return false;
}

}  // namespace kestrion
