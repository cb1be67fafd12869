#include "shell/file_name_encoder.h"

#include <cctype>
#include <optional>
#include <string_view>

#include "service/endpoint.h"
#include "shell/file_name_code.h"

namespace kestrion {

namespace {

// True when every byte is a letter, a digit or one of `extra`; NUL is none of them (strchr
// would have matched the terminator of `extra`).
bool all_of(const std::string& s, std::string_view extra) {
  for (unsigned char c : s)
    if (!std::isalnum(c) && extra.find(static_cast<char>(c)) == std::string_view::npos)
      return false;
  return true;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Why the address cannot be carried, or "" when it can. `host`, `port` and `segment` are the
// parts of an address already split at "://", ":" and "/".
std::string marker_conflict(const std::string& host, const std::string& port,
                            const std::string& segment, bool secure, bool service_center) {
  if (host.find('_') != std::string::npos || segment.find('_') != std::string::npos)
    return "\"_\" would read as \":\"";
  const std::size_t n = host.find('N');
  if (n != std::string::npos && n > 0) return "\"N\" in the host would end the address there";
  if (n == 0 && service_center)
    return "a host starting with \"N\" cannot take the service-centre marker";
  if (segment.find('N') != std::string::npos) return "\"N\" in the path would end the address there";
  const std::size_t r = host.find('R');
  if (r != std::string::npos && r > 0) return "\"R\" in the host would read as \"/\"";
  if (r == 0 && !segment.empty()) return "a host starting with \"R\" cannot carry a path";
  if (segment.find('R') != std::string::npos) return "\"R\" in the path would read as \"/\"";
  if (!secure && !segment.empty() && segment.back() == 'S')
    return "a path ending in \"S\" would read as https";
  if (!secure && segment.empty() && port.empty() && host.size() > 1 && host.back() == 's')
    return "a host ending in \"s\" without a port would read as https; give the port (\":80\")";
  return {};
}

}  // namespace

EncodedCode encode_file_name_code(const std::string& service_url, bool service_center) {
  auto refuse = [](const std::string& why) { return EncodedCode{{}, why, {}}; };

  const std::size_t sep = service_url.find("://");
  if (sep == std::string::npos) return refuse("the address needs a scheme: http:// or https://");
  const std::string scheme = lower(service_url.substr(0, sep));
  if (scheme != "http" && scheme != "https")
    return refuse("only http and https addresses can be carried, not " + scheme);
  const bool secure = scheme == "https";
  const std::string rest = service_url.substr(sep + 3);
  if (rest.find('?') != std::string::npos) return refuse("a query string cannot be carried");
  if (rest.find('#') != std::string::npos) return refuse("a fragment (\"#\") cannot be carried");
  if (rest.find('@') != std::string::npos) return refuse("a user name (\"@\") cannot be carried");

  const std::size_t slash = rest.find('/');
  const std::string authority = rest.substr(0, slash);
  std::string segment = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
  if (!segment.empty() && segment.back() == '/') {
    segment.pop_back();
    if (segment.empty()) return refuse("an empty path segment cannot be carried");
  }
  if (segment.find('/') != std::string::npos)
    return refuse("only one path segment can be carried");

  if (authority.find('[') != std::string::npos) return refuse("IPv6 addresses cannot be carried");
  const std::size_t colon = authority.find(':');
  const std::string host = authority.substr(0, colon);
  const std::string port = colon == std::string::npos ? std::string() : authority.substr(colon + 1);
  if (host.empty()) return refuse("the address has no host");
  if (colon != std::string::npos) {
    const bool digits = !port.empty() && port.size() <= 5 && port[0] != '0' &&
                        port.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stol(port) > 65535)
      return refuse("the port must be a number from 1 to 65535");
  }
  if (const std::string why = marker_conflict(host, port, segment, secure, service_center);
      !why.empty())
    return refuse(why);
  if (!all_of(host, ".-")) return refuse("the host may hold only letters, digits, \".\" and \"-\"");
  if (!all_of(segment, ".-~"))
    return refuse("the path may hold only letters, digits, \".\", \"-\" and \"~\"");

  std::string code = host + (port.empty() ? "" : "_" + port);
  if (!segment.empty()) code += "R" + segment;
  if (secure) code += segment.empty() ? "s" : "S";
  if (service_center) code += "N";
  const std::string address = scheme + "://" + host + (port.empty() ? "" : ":" + port) + "/" +
                              (segment.empty() ? "" : segment + "/");

  // The decoder has the last word: a code that would not give the address back is refused.
  const FileNameCode back = decode_file_name_code(setup_file_name(code));
  const std::optional<std::string> prefix =
      segment.empty() ? std::nullopt : std::optional<std::string>(segment);
  if (back.service_address != address || back.path_prefix != prefix ||
      back.service_center != (service_center ? kServiceCenter : ""))
    return refuse("the address cannot be carried by a file-name code");
  return {code, {}, address};
}

std::string setup_file_name(const std::string& code) { return "setup(" + code + ").exe"; }

}  // namespace kestrion
