#include "config/client_entries.h"

#include "text/codepage.h"

namespace kestrion {

namespace {

// A member read as text: "" when missing, nothing when present but not a string.
std::optional<std::string> text_member(const Json::Value& entry, const char* name) {
  const Json::Value* member = entry.find(name, name + std::char_traits<char>::length(name));
  if (!member || member->isNull()) return std::string();
  if (!member->isString()) return std::nullopt;
  return member->asString();
}

Json::Value entry_value(const std::string& foldername, const std::string& serviceurl) {
  Json::Value entry(Json::objectValue);
  entry["foldername"] = foldername;
  entry["serviceurl"] = serviceurl;
  return entry;
}

}  // namespace

ClientEntries read_client_entries(const Json::Value& root) {
  ClientEntries out;
  if (!root.isObject()) {
    out.complete = false;
    return out;
  }
  const Json::Value* pos = root.find("pos", "pos" + 3);
  if (!pos || pos->isNull()) return out;
  if (!pos->isArray()) {
    out.complete = false;
    return out;
  }
  for (const Json::Value& element : *pos) {
    std::optional<std::string> folder, url;
    if (element.isObject()) {
      folder = text_member(element, "foldername");
      url = text_member(element, "serviceurl");
    }
    if (folder && url)
      out.entries.push_back({*folder, *url});
    else
      out.complete = false;
  }
  return out;
}

std::string normalized_service_url(const std::string& address) {
  return text::find_char(address, '/') < 0 ? address + "/" : address;
}

std::optional<std::string> find_client_folder(const ClientEntries& register_,
                                              const std::string& address) {
  for (const ClientEntry& e : register_.entries)
    if (e.serviceurl == address) return e.foldername;
  return std::nullopt;
}

Registration check_client_entries(const ClientEntries& register_, const std::string& address,
                                  const std::string& version_folder) {
  const std::string url = normalized_service_url(address);
  for (const ClientEntry& e : register_.entries) {
    if (e.foldername != version_folder) continue;
    return normalized_service_url(e.serviceurl) == url ? Registration::registered_here
                                                       : Registration::foreign;
  }
  return Registration::not_registered;
}

Json::Value registered_document(const ClientEntries& register_, const std::string& address,
                                const std::string& version_folder) {
  const std::string own = normalized_service_url(address);
  Json::Value pos(Json::arrayValue);
  bool found = false;
  for (const ClientEntry& e : register_.entries) {
    const std::string url = normalized_service_url(e.serviceurl);
    const bool mine = url == own;
    found = found || mine;
    pos.append(entry_value(mine ? version_folder : e.foldername, url));
  }
  if (!found) pos.append(entry_value(version_folder, own));
  Json::Value root(Json::objectValue);
  root["pos"] = pos;
  return root;
}

}  // namespace kestrion
