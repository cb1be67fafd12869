#include "service/queries.h"

#include "service/envelope.h"
#include "service/request.h"

namespace kestrion {

std::string query_client_name(RunState& state) {
  const std::optional<std::string> reply = service_request(state, kClientNameQuery);
  return reply ? client_name_from_reply(*reply) : std::string();
}

std::optional<std::string> query_package(RunState& state) {
  const std::optional<std::string> reply = service_request(state, kPackageQuery);
  if (!reply || reply->empty()) return std::nullopt;
  const PackageAnswer answer = package_from_reply(*reply);
  state.set_text(ctl::package_version, answer.posversion);
  state.set_text(ctl::full_package, answer.is_full);
  if (answer.pospackage.empty()) return std::nullopt;
  return answer.pospackage;
}

}  // namespace kestrion
