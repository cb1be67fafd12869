// The registers from any bytes. The input is a register file, optionally followed by a NUL, the
// service address, a NUL and the version folder (else a sample address and folder). Reading never
// throws or crashes, however deep the document nests (a seed sits at the reader's nesting limit);
// whatever parses is written in our StyledWriter layout and reads back as the same document,
// which a second write leaves byte for byte; posclient.json after registering the folder, and
// posconfig.json with the creation time handed on, read back as they were meant.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check.h"
#include "config/client_entries.h"
#include "config/install_settings.h"
#include "config/styled_json.h"

using namespace kestrion;

namespace {

// The document written and read back: the same value, and the same bytes when written again.
Json::Value written_and_read(const Json::Value& document) {
  const std::string text = styled_json(document);
  Json::Value back;
  FUZZ_CHECK(parse_json(text, back));
  FUZZ_CHECK(back == document);
  FUZZ_CHECK(styled_json(back) == text);
  return back;
}

void check_client_register(const Json::Value& root, const std::string& address,
                           const std::string& folder) {
  const ClientEntries before = read_client_entries(root);
  const std::string own = normalized_service_url(address);
  const ClientEntries after =
      read_client_entries(written_and_read(registered_document(before, address, folder)));
  FUZZ_CHECK(after.complete);

  bool found = false;
  for (std::size_t i = 0; i < before.entries.size(); ++i) {
    const std::string url = normalized_service_url(before.entries[i].serviceurl);
    const bool mine = url == own;
    found = found || mine;
    FUZZ_CHECK(i < after.entries.size());
    FUZZ_CHECK(after.entries[i].serviceurl == url);
    FUZZ_CHECK(after.entries[i].foldername == (mine ? folder : before.entries[i].foldername));
  }
  FUZZ_CHECK(after.entries.size() == before.entries.size() + (found ? 0 : 1));
  if (!found) {
    FUZZ_CHECK(after.entries.back().serviceurl == own);
    FUZZ_CHECK(after.entries.back().foldername == folder);
  }
  FUZZ_CHECK(find_client_folder(after, own) == folder);
  FUZZ_CHECK(check_client_entries(after, address, folder) != Registration::not_registered);
}

void check_install_config(const Json::Value& root, const std::string& address,
                          const std::string& folder) {
  bool complete = true;
  const std::optional<std::string> kept = kept_create_time(root, complete);
  FUZZ_CHECK(kept.has_value() == root.isObject());
  if (!kept) FUZZ_CHECK(!complete);

  InstallSettings s;
  s.request_service = "SERVICE_CENTER";
  s.createtime = kept.value_or(std::string());
  s.edittime = address;
  s.foldername = folder;
  s.reportversion = address + folder;
  s.serviceurl = normalized_service_url(address);
  s.version = folder;
  const Json::Value back = written_and_read(settings_document(s));
  bool again = true;
  FUZZ_CHECK(kept_create_time(back, again) == s.createtime && again);
  FUZZ_CHECK(back.size() == 7 && back["foldername"].asString() == s.foldername &&
             back["serviceurl"].asString() == s.serviceurl);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string address = "10.0.0.5:8080", folder = "D:\\Tillwright\\abc\\2_1_0";
  const std::size_t last = text.rfind('\0');
  if (last != std::string::npos && last > 0) {
    const std::size_t before = text.rfind('\0', last - 1);
    if (before != std::string::npos) {
      folder = text.substr(last + 1);
      address = text.substr(before + 1, last - before - 1);
      text.resize(before);
    }
  }

  Json::Value root;
  if (!parse_json(text, root)) return 0;
  written_and_read(root);
  check_client_register(root, address, folder);
  check_install_config(root, address, folder);
  return 0;
}
