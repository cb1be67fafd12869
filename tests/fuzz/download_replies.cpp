// What the download reads from the service, from any bytes: the package query's promise (sha256,
// size) and a resumed reply's Content-Range and validators. Nothing throws or crashes; a promise
// is only what the reply allows and reads the same in another layout; a range that parses is
// ordered, reads back the same when written again, and continues the file where it starts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check.h"
#include "config/styled_json.h"
#include "service/download_rules.h"
#include "service/envelope.h"
#include "service/package_proof.h"

using namespace kestrion;

namespace {

bool same(const PackageProof& a, const PackageProof& b) {
  return a.sha256 == b.sha256 && a.size == b.size && a.invalid == b.invalid;
}

bool lower_hex(const std::string& text) {
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  const PackageProof proof = package_proof_from_reply(input);
  FUZZ_CHECK(proof.sha256.empty() || (proof.sha256.size() == 64 && lower_hex(proof.sha256)));
  FUZZ_CHECK(proof.invalid.empty() || proof.invalid == "sha256" || proof.invalid == "size");
  if (proof.invalid == "sha256") FUZZ_CHECK(proof.sha256.empty());
  const std::optional<Json::Value> root = envelope_root(input);
  if (!root) {
    FUZZ_CHECK(!proof.promises_anything());
  } else {
    FUZZ_CHECK(same(package_proof_from_reply(styled_json(*root)), proof));
  }

  if (const std::optional<ContentRange> range = parse_content_range(input)) {
    FUZZ_CHECK(range->first <= range->last);
    FUZZ_CHECK(!range->total || *range->total > range->last);
    const std::string again = "bytes " + std::to_string(range->first) + "-" +
                              std::to_string(range->last) + "/" +
                              (range->total ? std::to_string(*range->total) : "*");
    const std::optional<ContentRange> reread = parse_content_range(again);
    FUZZ_CHECK(reread && reread->first == range->first && reread->last == range->last &&
               reread->total == range->total);
    if (range->total && range->last + 1 == *range->total)
      FUZZ_CHECK(continues_at(*range, range->first, range->total));
    FUZZ_CHECK(!continues_at(*range, range->first + 1, range->total));
  }

  // A validator is a quoted strong tag, or else the date as given (trimmed): never a weak tag.
  if (const std::optional<std::string> tag = resume_validator("bytes", input, "")) {
    FUZZ_CHECK(tag->size() >= 2 && tag->front() == '"' && tag->back() == '"');
  }
  FUZZ_CHECK(!resume_validator("none", input, input));
  return 0;
}
