// The inverse of the file-name code, for store IT (tools/setup-name): the code and the setup
// program's name for a service address, or why the address cannot be carried.
#pragma once

#include <string>

namespace kestrion {

// The file-name code for a service address: scheme http or https, a host of letters, digits,
// "." and "-", an optional port and at most one path segment (letters, digits, ".", "-", "~").
// `error` says in words why an address cannot be carried; `code` is then empty.
struct EncodedCode {
  std::string code;
  std::string error;
  std::string address;  // the address as the code gives it back, e.g. "http://h:8080/pos/"
};
EncodedCode encode_file_name_code(const std::string& service_url, bool service_center);

// "setup(" + code + ").exe".
std::string setup_file_name(const std::string& code);

}  // namespace kestrion
