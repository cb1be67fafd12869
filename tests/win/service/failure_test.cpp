// The session every exchange opens, and the failure path that requests and the download share.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include "service/failure.h"
#include "service/session.h"
#include "state/memory_state.h"
#include "support.h"

using namespace kestrion;

namespace {

DWORD query_option(HINTERNET h, DWORD option) {
  DWORD value = 0, size = sizeof value;
  EXPECT_TRUE(InternetQueryOptionA(h, option, &value, &size)) << option;
  return value;
}

TEST(Session, RequestSessionCarriesTheConnectOptions) {
  win::InetHandle defaults = service::open_session(service::SessionOptions::none);
  win::InetHandle session = service::open_session(service::SessionOptions::request);
  ASSERT_TRUE(session);
  ASSERT_TRUE(defaults);
  // Wine reads back only the time-out; back-off and retries are set the same way.
  EXPECT_EQ(query_option(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT), 20000u);
  EXPECT_NE(query_option(defaults.get(), INTERNET_OPTION_CONNECT_TIMEOUT), 20000u);
}

TEST(InternetFailure, SystemTextOnTheStatusLineAndTheInputsEnabled) {
  MemoryRunState state;
  for (int id : {ctl::run, ctl::browse, ctl::service_address, ctl::install_folder})
    state.enable(id, false);
  state.enable_order.clear();
  const std::string shown =
      service::show_internet_failure(state, win::InternetError(ERROR_INTERNET_CANNOT_CONNECT));
  EXPECT_EQ(shown, test::wininet_text(ERROR_INTERNET_CANNOT_CONNECT));  // line end trimmed
  EXPECT_EQ(state.text(ctl::status), shown);
  EXPECT_EQ(state.enable_order,
            (std::vector<int>{ctl::run, ctl::browse, ctl::service_address, ctl::install_folder}));
  EXPECT_TRUE(state.boxes.empty());
}

TEST(InternetFailure, LongTextsAreCutTo254BytesOnACharacterBoundary) {
  const std::string ascii(300, 'a');
  EXPECT_EQ(service::failure_text(win::InternetError(12003, ascii)), ascii.substr(0, 254));
  // 253 ASCII bytes and a Chinese character: the character does not fit and is left out whole.
  const std::string mixed = std::string(253, 'a') + "服务";
  EXPECT_EQ(service::failure_text(win::InternetError(12003, mixed)), std::string(253, 'a'));
  EXPECT_EQ(service::failure_text(win::InternetError(12003, "短")), "短");
}

}  // namespace
