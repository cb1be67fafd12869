// What each query asks the service, and the endpoint path a request goes to.
#pragma once

#include <string>

namespace kestrion {

// The service-centre marker (ctl::service_center, arg_requestservice, an "N" in the file-name code).
inline constexpr const char* kServiceCenter = "SERVICE_CENTER";

struct ServiceQuery {
  const char* default_path;         // relative: no leading "/"
  const char* service_center_path;  // used when the marker (ctl::service_center) is "SERVICE_CENTER"
  const char* verb;
  int piece_size;                   // the reply is read in lines of at most piece_size - 1 bytes
};

inline constexpr ServiceQuery kClientNameQuery{
    "api/clientname/query", "transaction/api/retail/terminal/queryClientname", "POST", 1024};
// The query string goes out exactly so: empty values, doubled ampersands.
inline constexpr ServiceQuery kPackageQuery{
    "api/posinstall/query?posversion=&&system=Windows&&storeid=",
    "transaction/api/retail/terminal/posInstall?posversion=&&system=Windows&&storeid=", "GET",
    10240};

// The query's path for the marker and the prefix: the SERVICE_CENTER path only for exactly
// "SERVICE_CENTER"; "/" + prefix + "/" in front when the prefix is not empty (used unchanged,
// so a prefix ending in "/" doubles the slash).
std::string endpoint_path(const ServiceQuery& query, const std::string& service_center,
                          const std::string& prefix);

// The log line of a request: "服务接口地址》》》 " and the endpoint path.
std::string endpoint_log_line(const std::string& path);

}  // namespace kestrion
