// The parts of a service address that the folder names and the path prefix are taken from.
#pragma once

#include <string>

namespace kestrion {

// The text after the scheme of an address: from two characters after its first "/" on (from
// its second character when it has none; "" when nothing is left). "http://h:8/p/" -> "h:8/p/".
std::string after_scheme(const std::string& address);

}  // namespace kestrion
