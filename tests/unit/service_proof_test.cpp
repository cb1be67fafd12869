// What the package query promises about the package (sha256, size), and the pauses between
// tries of the download and of the package query.
#include <gtest/gtest.h>

#include "service/backoff.h"
#include "service/package_proof.h"

using namespace kestrion;

namespace {

const std::string kDigest = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

std::string reply(const std::string& members) {
  return R"({"code": 0, "data": {"pospackage": "http://h/p.zip", "posversion": "1.0",
             "is_full": "true")" + members + "}}";
}

TEST(PackageProof, MembersOfTheReply) {
  const std::string upper = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";
  const struct {
    std::string members;
    std::string sha256;
    std::optional<std::uint64_t> size;
    std::string invalid;
  } cases[] = {
      {"", "", std::nullopt, ""},
      {R"(, "sha256": null, "size": null)", "", std::nullopt, ""},
      {R"(, "sha256": ")" + kDigest + R"(", "size": 5242880)", kDigest, 5242880, ""},
      {R"(, "sha256": ")" + upper + R"(")", kDigest, std::nullopt, ""},
      {R"(, "size": "5000000000")", "", 5000000000ull, ""},
      {R"(, "size": 0)", "", 0, ""},
      {R"(, "sha256": ")" + kDigest.substr(1) + R"(")", "", std::nullopt, "sha256"},
      {R"(, "sha256": ")" + kDigest.substr(1) + R"(g")", "", std::nullopt, "sha256"},
      {R"(, "sha256": 12)", "", std::nullopt, "sha256"},
      {R"(, "size": -1)", "", std::nullopt, "size"},
      {R"(, "size": 1.5)", "", std::nullopt, "size"},
      {R"(, "size": "12 kB")", "", std::nullopt, "size"},
      {R"(, "size": "")", "", std::nullopt, "size"},
      {R"(, "size": true)", "", std::nullopt, "size"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.members);
    const PackageProof proof = package_proof_from_reply(reply(c.members));
    EXPECT_EQ(proof.sha256, c.sha256);
    EXPECT_EQ(proof.size, c.size);
    EXPECT_EQ(proof.invalid, c.invalid);
  }
  // No answer promises nothing.
  for (const char* text : {"", "{\"code\": 1, \"data\": {\"size\": 3}}", "{\"data\": [1]}"})
    EXPECT_FALSE(package_proof_from_reply(text).promises_anything()) << text;
}

TEST(PackageProof, HexText) {
  const unsigned char bytes[] = {0x00, 0x0f, 0xa5, 0xff};
  EXPECT_EQ(hex_text(bytes, 4), "000fa5ff");
  EXPECT_EQ(hex_text(bytes, 0), "");
}

TEST(Backoff, DoublingPausesWithJitterOfAQuarter) {
  const std::uint32_t download[] = {1000, 2000, 4000, 8000, 16000};
  for (int retry = 1; retry <= 5; ++retry)
    EXPECT_EQ(doubling_pause_ms(1000, retry), download[retry - 1]) << retry;
  EXPECT_EQ(doubling_pause_ms(1000, 0), 1000u);
  EXPECT_EQ(doubling_pause_ms(1000, 1000), UINT32_MAX);
  const struct {
    int retry;
    double unit;
    std::uint32_t ms;
  } cases[] = {
      {1, 0.0, 375}, {1, 0.5, 500}, {1, 0.999999, 624}, {2, 0.5, 1000}, {5, 0.0, 6000},
      {5, 0.999999, 9999}, {5, -1.0, 6000}, {5, 2.0, 10000},
  };
  for (const auto& c : cases)
    EXPECT_EQ(jittered_pause_ms(500, c.retry, c.unit), c.ms) << c.retry << " " << c.unit;
}

}  // namespace
