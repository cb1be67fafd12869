// The register of installed clients (posclient.json) as a document: reading it whatever its
// shape, looking an address up, checking a version folder, and the document after a save.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <vector>

namespace kestrion {

struct ClientEntry {
  std::string foldername;  // the version folder of the installation
  std::string serviceurl;  // the service address it was made for, as stored
};

struct ClientEntries {
  std::vector<ClientEntry> entries;  // the readable entries of "pos", in order
  // False when the document held something that cannot be read as entries (a root that is not
  // an object, a "pos" that is not an array, an element that is not an object, a member that is
  // not a string). Members other than "pos", "foldername" and "serviceurl" do not count.
  bool complete = true;
};

// The entries of a parsed document. An element that is not an object, or whose "foldername" or
// "serviceurl" is present but not a string, is left out; a missing member reads as "".
ClientEntries read_client_entries(const Json::Value& root);

// The service address with "/" appended when it holds no "/" at all.
std::string normalized_service_url(const std::string& address);

// The "foldername" of the first entry whose "serviceurl", as stored, equals `address`.
std::optional<std::string> find_client_folder(const ClientEntries& register_,
                                              const std::string& address);

// Where a version folder stands in the register for a service address.
enum class Registration {
  not_registered,   // the version folder is new to the register
  registered_here,  // registered for this service address: the register stays as it is
  foreign,          // registered for another address, or the register's path is refused
};

// Whether `version_folder` is registered for the service address `address` or for another one;
// the first entry naming the folder decides. Both addresses are compared normalised.
Registration check_client_entries(const ClientEntries& register_, const std::string& address,
                         const std::string& version_folder);

// The document after registering `version_folder` for `address`: every entry's "serviceurl"
// normalised, every entry of the (normalised) address pointing to the version folder, a new
// entry at the end when none had it. The order of the entries never changes.
Json::Value registered_document(const ClientEntries& register_, const std::string& address,
                                const std::string& version_folder);

}  // namespace kestrion
