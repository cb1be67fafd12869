#include "service/queries.h"

#include "service/backoff.h"
#include "service/envelope.h"
#include "service/pause.h"
#include "service/request.h"
#include "service/sha256.h"
#include "win/app.h"

namespace kestrion {

std::string query_client_name(RunState& state) {
  const std::optional<std::string> reply = service_request(state, kClientNameQuery);
  return reply ? client_name_from_reply(*reply) : std::string();
}

namespace {
constexpr std::uint32_t kFirstQueryPauseMs = 500;
}

std::optional<std::string> query_package(RunState& state, PackageProof* proof) {
  const std::optional<std::string> reply = service_request(state, kPackageQuery);
  if (!reply || reply->empty()) return std::nullopt;
  if (proof) *proof = package_proof_from_reply(*reply);
  const PackageAnswer answer = package_from_reply(*reply);
  state.set_text(ctl::package_version, answer.posversion);
  state.set_text(ctl::full_package, answer.is_full);
  if (answer.pospackage.empty()) return std::nullopt;
  return answer.pospackage;
}

std::optional<std::string> retry_package_query(RunState& state, int attempt, int attempts,
                                               PackageProof* proof) {
  const std::string before = state.text(ctl::status);
  const std::string trying = win::load_string(IDS_QUERY_TRY) + std::to_string(attempt) +
                             win::load_string(IDS_TRY_OF) + std::to_string(attempts) +
                             win::load_string(IDS_TRY_END);
  state.set_text(ctl::status, trying);
  // A failed query enables the inputs; the run goes on, so they are off again while it does.
  for (int id : ctl::inputs) state.enable(id, false);
  service::pause(state,
                 jittered_pause_ms(kFirstQueryPauseMs, attempt - 1, service::random_unit()));
  std::optional<std::string> address = query_package(state, proof);
  if (state.text(ctl::status) == trying) state.set_text(ctl::status, before);
  return address;
}

}  // namespace kestrion
