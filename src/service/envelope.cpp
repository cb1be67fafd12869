#include "service/envelope.h"

#include <json/reader.h>

namespace kestrion {

namespace {

// A member read as the framework's asCString does: text up to the first NUL.
std::optional<std::string> text_member(const Json::Value& v) {
  if (v.isNull()) return std::string();
  if (!v.isString()) return std::nullopt;
  return std::string(v.asCString());
}

// The full-package flag: a text, or a JSON boolean as its text ("true", "false"), which is what
// a service that sends a boolean means.
std::optional<std::string> flag_member(const Json::Value& v) {
  if (v.isBool()) return std::string(v.asBool() ? "true" : "false");
  return text_member(v);
}

}  // namespace

std::optional<Json::Value> envelope_root(const std::string& reply_text) {
  Json::Value root;
  Json::Reader reader;
  try {
    if (!reader.parse(reply_text, root, true) || !root.isObject()) return std::nullopt;
  } catch (const Json::Exception&) {
    return std::nullopt;  // nested deeper than the reader allows: it throws instead of failing
  }
  const Json::Value& code = root["code"];
  // Strings, arrays, objects and numbers outside int are no answer (asInt would throw).
  if (!code.isConvertibleTo(Json::intValue) || code.asInt() != 0) return std::nullopt;
  return root;
}

std::string client_name_from_reply(const std::string& reply_text) {
  const std::optional<Json::Value> root = envelope_root(reply_text);
  if (!root) return {};
  return text_member((*root)["data"]).value_or(std::string());
}

PackageAnswer package_from_reply(const std::string& reply_text) {
  const std::optional<Json::Value> root = envelope_root(reply_text);
  if (!root) return {};
  const Json::Value& data = (*root)["data"];
  if (!data.isObject()) return {};
  const auto package = text_member(data["pospackage"]);
  const auto version = text_member(data["posversion"]);
  const auto full = flag_member(data["is_full"]);
  if (!package || !version || !full) return {};
  return {*package, *version, *full};
}

}  // namespace kestrion
