// SHA-256 of a stream of bytes, computed by the system (Windows CNG, bcrypt.dll).
//
//   service::Sha256 hash;           // throws win::SystemError when CNG refuses
//   hash.add(block, n);             // as the bytes arrive, in order
//   std::string hex = hash.hex();   // 64 lower-case hex digits; then restart() to reuse
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include <cstddef>
#include <string>

namespace kestrion::service {

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void add(const void* data, std::size_t count);
  // The digest of what was added since the start (or the last restart); ends that hash.
  std::string hex();
  // Forgets what was added: the next bytes start a new digest.
  void restart();

 private:
  void open_hash();
  BCRYPT_ALG_HANDLE algorithm_ = nullptr;
  BCRYPT_HASH_HANDLE hash_ = nullptr;
};

// A number in [0, 1) from the system's random generator (never seeded from the clock: tills that
// start at the same moment still draw different numbers).
double random_unit();

}  // namespace kestrion::service
