// Service replies from any bytes: reading one never throws or crashes, however deep it nests (a
// seed sits at the reader's nesting limit); an answer is only what the envelope allows, the
// texts taken end before any NUL, a boolean full-package flag reads as its text, and the same
// reply in another layout (our StyledWriter layout, CR LF) gives the same answer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check.h"
#include "config/styled_json.h"
#include "service/envelope.h"

using namespace kestrion;

namespace {

bool same(const PackageAnswer& a, const PackageAnswer& b) {
  return a.pospackage == b.pospackage && a.posversion == b.posversion && a.is_full == b.is_full;
}

bool empty(const PackageAnswer& p) {
  return p.pospackage.empty() && p.posversion.empty() && p.is_full.empty();
}

// A text member as a query reads it: a string up to its first NUL; "" for anything else (the
// full-package flag also takes a boolean, as "true" or "false").
bool read_as(const std::string& text, const Json::Value& member) {
  if (!member.isString()) return text.empty();
  const std::string s = member.asString();
  return text == s.substr(0, s.find('\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  const std::optional<Json::Value> root = envelope_root(reply);
  const std::string name = client_name_from_reply(reply);
  const PackageAnswer package = package_from_reply(reply);

  if (!root) {
    FUZZ_CHECK(name.empty() && empty(package));
    return 0;
  }
  FUZZ_CHECK(root->isObject());
  const Json::Value& code = (*root)["code"];
  FUZZ_CHECK(code.isNull() || code.isBool() || code.isNumeric());
  const Json::Value& answer = (*root)["data"];
  FUZZ_CHECK(read_as(name, answer));
  if (!empty(package)) {
    FUZZ_CHECK(answer.isObject());
    FUZZ_CHECK(read_as(package.pospackage, answer["pospackage"]));
    FUZZ_CHECK(read_as(package.posversion, answer["posversion"]));
    const Json::Value& flag = answer["is_full"];
    FUZZ_CHECK(flag.isBool() ? package.is_full == (flag.asBool() ? "true" : "false")
                             : read_as(package.is_full, flag));
  }

  const std::string rewritten = styled_json(*root);
  FUZZ_CHECK(envelope_root(rewritten).has_value());
  FUZZ_CHECK(client_name_from_reply(rewritten) == name);
  FUZZ_CHECK(same(package_from_reply(rewritten), package));
  return 0;
}
