// The configuration file of one installation (posconfig.json) as a document.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>

#include "text/local_time.h"

namespace kestrion {

// The seven members, all texts.
struct InstallSettings {
  std::string request_service;  // "REQUEST_SERVICE": "SERVICE_CENTER" or ""
  std::string createtime;       // first written
  std::string edittime;         // this rewrite
  std::string foldername;       // the version folder
  std::string reportversion;    // the old report version of an upgrade, or ""
  std::string serviceurl;       // the normalised service address
  std::string version;          // the version being installed
};

// "2022-07-20 09:05:03".
std::string settings_time_text(const text::LocalTime& t);

// What an existing, parsed document hands on as "createtime": its text, "" when it has none.
// Nothing when the root is not an object (the document counts as unreadable). `complete` turns
// false when something could not be read: such a root, or a "createtime" that is not a string
// (which then counts as missing).
std::optional<std::string> kept_create_time(const Json::Value& existing, bool& complete);

Json::Value settings_document(const InstallSettings& s);

}  // namespace kestrion
