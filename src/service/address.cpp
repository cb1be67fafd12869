#include "service/address.h"

#include "text/codepage.h"

namespace kestrion {

std::string after_scheme(const std::string& address) {
  const std::size_t start = static_cast<std::size_t>(text::find_char(address, '/') + 2);
  return start < address.size() ? address.substr(start) : std::string();
}

}  // namespace kestrion
