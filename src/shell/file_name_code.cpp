#include "shell/file_name_code.h"

#include "service/address.h"
#include "service/endpoint.h"
#include "text/codepage.h"

namespace kestrion {

namespace {

// Drops the https marker when the code ends with it; true when it did.
bool take_https_marker(std::string& code, char marker) {
  const int at = text::rfind_char(code, marker);
  if (at <= 0 || static_cast<std::size_t>(at) + 1 != code.size()) return false;
  code.pop_back();
  return true;
}

}  // namespace

FileNameCode decode_file_name_code(const std::string& program_path) {
  const std::string name = program_path.substr(text::rfind_char(program_path, '\\') + 1);
  const int open = text::find_char(name, '(');
  const std::string after = open < 0 ? name : name.substr(open + 1);
  const int close = text::find_char(after, ')');
  std::string code = close < 0 ? std::string() : after.substr(0, close);

  FileNameCode out;
  const int n = text::find_char(code, 'N');
  if (n > 0) {
    code.resize(n);
    out.service_center = kServiceCenter;
  }
  code = text::replace_char(code, '_', ':');

  std::string scheme = "http://";
  const int r = text::find_char(code, 'R');
  if (r > 0) {
    if (take_https_marker(code, 'S')) scheme = "https://";
    code = text::replace_char(code, 'R', '/');
    // Taken after every "R" became "/", so that prefix and address name the same path.
    out.path_prefix = code.substr(r + 1);
  } else if (take_https_marker(code, 's')) {
    scheme = "https://";
  }
  out.service_address = scheme + code + "/";
  out.server_text = code;
  return out;
}

std::optional<std::string> service_path_from_url(const std::string& upgrade_url) {
  const std::string rest = after_scheme(upgrade_url);
  const int q = text::find_char(rest, '/');
  if (q > 0) return rest.substr(q + 1);
  return std::nullopt;
}

}  // namespace kestrion
