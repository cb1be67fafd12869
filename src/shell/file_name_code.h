// The file-name code: the service address carried in the program file's name
// ("setup(CODE).exe"), and the path prefix of an upgrade address.
//
// In the code "_" stands for ":", "R" for "/", a final "S" (with a path) or "s" (without) for
// https, and an "N" ends the address and selects the service-centre endpoints. Every search is by
// character in the ANSI code page, so a trail byte of a double-byte character never matches.
#pragma once

#include <optional>
#include <string>

namespace kestrion {

// What the file-name code carries.
struct FileNameCode {
  std::string service_address;  // "http://" or "https://", the code, "/"
  std::string server_text;      // the code without scheme and final "/"
  std::string service_center;   // "SERVICE_CENTER" or ""
  std::optional<std::string> path_prefix;
};

// Decodes the code between "(" and ")" of the program file's name (the part of `program_path`
// after its last "\"). A name without a code gives the address "http:///".
FileNameCode decode_file_name_code(const std::string& program_path);

// The service path prefix of an upgrade address: what follows the first "/" after the
// host, possibly empty; nothing when the address has no "/" after the host.
std::optional<std::string> service_path_from_url(const std::string& upgrade_url);

}  // namespace kestrion
