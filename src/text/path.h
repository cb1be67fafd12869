// The Windows path limit: a path the program forms holds at most 259 bytes (260 with the
// terminating zero). Longer ones are refused with a clear text, never cut or overflowed.
#pragma once

#include <cstddef>
#include <string>

namespace kestrion::text {

constexpr std::size_t kMaxPathBytes = 259;

inline bool path_fits(const std::string& path) { return path.size() <= kMaxPathBytes; }

}  // namespace kestrion::text
