// setup-name: the program file name that carries a service address, for store IT.
//   setup-name [--service-center] <address>   e.g. http://192.0.2.7:8080/pos/
// prints "setup(192.0.2.7_8080Rpos).exe"; an address the code cannot carry is refused with the
// reason and exit code 1.
#include <cstdio>
#include <string>

#include "shell/file_name_encoder.h"

int main(int argc, char** argv) {
  bool service_center = false;
  std::string address;
  int addresses = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--service-center") {
      service_center = true;
    } else if (!arg.empty() && arg[0] == '-') {
      addresses = -1;
      break;
    } else {
      address = arg;
      ++addresses;
    }
  }
  if (addresses != 1) {
    std::fprintf(stderr,
                 "usage: setup-name [--service-center] <address>\n"
                 "  <address>: http:// or https://, a host, an optional port and at most one\n"
                 "  path segment, e.g. http://192.0.2.7:8080/pos/\n"
                 "  --service-center: the client asks the service-centre endpoints\n");
    return 2;
  }
  const kestrion::EncodedCode e = kestrion::encode_file_name_code(address, service_center);
  if (!e.error.empty()) {
    std::fprintf(stderr, "setup-name: cannot carry %s: %s\n", address.c_str(), e.error.c_str());
    return 1;
  }
  std::printf("%s\n", kestrion::setup_file_name(e.code).c_str());
  return 0;
}
