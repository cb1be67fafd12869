#include "styled_json_reader.h"

#include "config/styled_json.h"

namespace kestrion::test {

std::string member(const std::string& bytes, const char* name) {
  Json::Value root;
  if (!parse_json(bytes, root) || !root.isObject()) return {};
  const Json::Value& v = root[name];
  return v.isString() ? v.asString() : std::string();
}

bool is_time_text(const std::string& s) {
  static const char kShape[] = "dddd-dd-dd dd:dd:dd";
  if (s.size() != sizeof kShape - 1) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const bool digit = s[i] >= '0' && s[i] <= '9';
    if (kShape[i] == 'd' ? !digit : s[i] != kShape[i]) return false;
  }
  return true;
}

}  // namespace kestrion::test
