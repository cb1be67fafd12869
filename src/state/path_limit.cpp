#include "state/path_limit.h"

#include "text/path.h"

namespace kestrion {

const char* const kPathTooLongText = "路径超过259字节，无法使用：";

bool path_allowed(RunState& state, const std::string& path) {
  if (text::path_fits(path)) return true;
  state.set_text(ctl::status, kPathTooLongText + path);
  return false;
}

}  // namespace kestrion
