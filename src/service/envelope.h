// The reply envelope, {"code": number, "data": ...}, and what each query takes from it. A reply
// that does not parse, is not an object, has a "code" that is not 0 or not a number (a missing
// or null "code" reads as 0, true as 1, a real number as its integer part), or a "data" of
// another type than the query expects, is no answer.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>

namespace kestrion {

// The root object of an answering reply (its "code" reads as 0), or nothing.
std::optional<Json::Value> envelope_root(const std::string& reply_text);

// The client name: "data" as text; "" when "data" is missing or null, or there is no answer.
std::string client_name_from_reply(const std::string& reply_text);

struct PackageAnswer {
  std::string pospackage;  // the package address
  std::string posversion;
  std::string is_full;
};

// The three members of "data"; each "" when missing or null, and "is_full" as "true" or "false"
// when it is a JSON boolean. All three "" when there is no answer, "data" is missing, null or not
// an object, or a member is of another type (a number for "posversion" cannot be read back as
// the text it was: 2.10 parses as 2.1).
PackageAnswer package_from_reply(const std::string& reply_text);

}  // namespace kestrion
