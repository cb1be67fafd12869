#include "service/sha256.h"

#include <cstdint>
#include <cstdio>

#include "service/package_proof.h"
#include "win/errors.h"

namespace kestrion::service {

namespace {

constexpr ULONG kDigestBytes = 32;

// A failed CNG call: its NTSTATUS in the text (CNG has no message table of its own).
void check(NTSTATUS status, const char* call) {
  if (status >= 0) return;
  char text[96];
  std::snprintf(text, sizeof text, "%s: NTSTATUS 0x%08lX", call,
                static_cast<unsigned long>(static_cast<ULONG>(status)));
  throw win::SystemError(static_cast<DWORD>(status), text);
}

}  // namespace

Sha256::Sha256() {
  check(BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0),
        "BCryptOpenAlgorithmProvider");
  try {
    open_hash();
  } catch (...) {
    BCryptCloseAlgorithmProvider(algorithm_, 0);
    throw;
  }
}

Sha256::~Sha256() {
  if (hash_) BCryptDestroyHash(hash_);
  BCryptCloseAlgorithmProvider(algorithm_, 0);
}

void Sha256::open_hash() {
  // The system keeps the hash object's memory itself (no buffer of ours).
  check(BCryptCreateHash(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0), "BCryptCreateHash");
}

void Sha256::add(const void* data, std::size_t count) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (count > 0) {
    const ULONG n = count > 0x40000000 ? 0x40000000 : static_cast<ULONG>(count);
    check(BCryptHashData(hash_, const_cast<PUCHAR>(bytes), n, 0), "BCryptHashData");
    bytes += n;
    count -= n;
  }
}

std::string Sha256::hex() {
  unsigned char digest[kDigestBytes];
  check(BCryptFinishHash(hash_, digest, kDigestBytes, 0), "BCryptFinishHash");
  restart();
  return hex_text(digest, kDigestBytes);
}

void Sha256::restart() {
  if (hash_) BCryptDestroyHash(hash_);
  hash_ = nullptr;
  open_hash();
}

double random_unit() {
  std::uint32_t n = 0;
  check(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&n), sizeof n,
                        BCRYPT_USE_SYSTEM_PREFERRED_RNG),
        "BCryptGenRandom");
  return n / 4294967296.0;
}

}  // namespace kestrion::service
