// The pauses between tries of the same exchange: doubling, so that a service that is down is
// asked less and less often, and for the package query with random jitter, so that the tills of
// a chain that all start after the same failure spread out instead of asking in step.
#pragma once

#include <cstdint>

namespace kestrion {

// Before further try `retry` (1 for the first try after the first failure): first_ms, doubled
// for each later try (1000: 1, 2, 4, 8, 16 s).
std::uint32_t doubling_pause_ms(std::uint32_t first_ms, int retry);

// The same pause moved by up to a quarter either way: `unit` in [0, 1) picks where (0 is 25%
// shorter, 0.5 the pause itself, towards 1 up to 25% longer).
std::uint32_t jittered_pause_ms(std::uint32_t first_ms, int retry, double unit);

}  // namespace kestrion
