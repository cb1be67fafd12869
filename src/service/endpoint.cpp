#include "service/endpoint.h"

namespace kestrion {

std::string endpoint_path(const ServiceQuery& query, const std::string& service_center,
                          const std::string& prefix) {
  const std::string path =
      service_center == kServiceCenter ? query.service_center_path : query.default_path;
  return prefix.empty() ? path : "/" + prefix + "/" + path;
}

std::string endpoint_log_line(const std::string& path) { return "服务接口地址》》》 " + path; }

}  // namespace kestrion
