// What the package query may promise about the package beside its address: its SHA-256 digest
// and its size in bytes ("data"."sha256", "data"."size"). The download checks the body against
// them as it streams; a package without them is taken as before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kestrion {

struct PackageProof {
  std::string sha256;                 // 64 lower-case hex digits; "" when none was given
  std::optional<std::uint64_t> size;  // bytes; nothing when none was given
  // The name of a member that is present but not a valid value ("sha256" or "size"): such a
  // package cannot be proven and is not downloaded. "" when both are fine or absent.
  std::string invalid;

  bool promises_anything() const { return !sha256.empty() || size || !invalid.empty(); }
};

// The promise of a package query's reply. A missing or null member is no promise; "sha256" is a
// text of 64 hex digits (either case); "size" a whole number of bytes, as a JSON number or a
// text of decimal digits. No answer, or a "data" that is not an object, promises nothing.
PackageProof package_proof_from_reply(const std::string& reply_text);

// Bytes as lower-case hex digits, two per byte.
std::string hex_text(const unsigned char* bytes, std::size_t count);

}  // namespace kestrion
