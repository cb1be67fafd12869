#include "service/package_proof.h"

#include <json/value.h>

#include "service/download_rules.h"
#include "service/envelope.h"

namespace kestrion {

namespace {

constexpr std::size_t kSha256HexDigits = 64;

std::optional<std::string> sha256_member(const Json::Value& v) {
  if (!v.isString()) return std::nullopt;
  std::string text = v.asString();
  if (text.size() != kSha256HexDigits) return std::nullopt;
  for (char& c : text) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
  }
  return text;
}

std::optional<std::uint64_t> size_member(const Json::Value& v) {
  if (v.isString()) {
    const std::string text = v.asString();
    if (text.empty() || text.find(' ') != std::string::npos) return std::nullopt;
    return parse_content_length(text);
  }
  if (v.isIntegral() || v.isDouble()) {
    if (!v.isUInt64()) return std::nullopt;  // negative, fractional or too large
    return v.asUInt64();
  }
  return std::nullopt;
}

}  // namespace

PackageProof package_proof_from_reply(const std::string& reply_text) {
  PackageProof proof;
  const std::optional<Json::Value> root = envelope_root(reply_text);
  if (!root) return proof;
  const Json::Value& data = (*root)["data"];
  if (!data.isObject()) return proof;
  const Json::Value& sha256 = data["sha256"];
  const Json::Value& size = data["size"];
  if (!sha256.isNull()) {
    if (auto digest = sha256_member(sha256))
      proof.sha256 = *digest;
    else
      proof.invalid = "sha256";
  }
  if (!size.isNull()) {
    if (auto bytes = size_member(size))
      proof.size = bytes;
    else if (proof.invalid.empty())
      proof.invalid = "size";
  }
  return proof;
}

std::string hex_text(const unsigned char* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0f];
  }
  return text;
}

}  // namespace kestrion
