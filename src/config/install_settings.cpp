#include "config/install_settings.h"

namespace kestrion {

std::string settings_time_text(const text::LocalTime& t) {
  return text::format_local_time(t, "%4d-%02d-%02d %02d:%02d:%02d");
}

std::optional<std::string> kept_create_time(const Json::Value& existing, bool& complete) {
  if (!existing.isObject()) {
    complete = false;
    return std::nullopt;
  }
  const Json::Value* created = existing.find("createtime", "createtime" + 10);
  if (!created || created->isNull()) return std::string();
  if (!created->isString()) {
    complete = false;
    return std::string();
  }
  return created->asString();
}

Json::Value settings_document(const InstallSettings& s) {
  Json::Value doc(Json::objectValue);
  doc["REQUEST_SERVICE"] = s.request_service;
  doc["createtime"] = s.createtime;
  doc["edittime"] = s.edittime;
  doc["foldername"] = s.foldername;
  doc["reportversion"] = s.reportversion;
  doc["serviceurl"] = s.serviceurl;
  doc["version"] = s.version;
  return doc;
}

}  // namespace kestrion
