#include "service/backoff.h"

#include <algorithm>

namespace kestrion {

namespace {
constexpr int kMaxDoublings = 32;  // enough to pass the 32-bit limit; keeps the shift defined
}

std::uint32_t doubling_pause_ms(std::uint32_t first_ms, int retry) {
  const int doublings = std::clamp(retry - 1, 0, kMaxDoublings);
  const std::uint64_t ms = static_cast<std::uint64_t>(first_ms) << doublings;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, UINT32_MAX));
}

std::uint32_t jittered_pause_ms(std::uint32_t first_ms, int retry, double unit) {
  const double factor = 0.75 + 0.5 * std::clamp(unit, 0.0, 1.0);
  return static_cast<std::uint32_t>(doubling_pause_ms(first_ms, retry) * factor);
}

}  // namespace kestrion
