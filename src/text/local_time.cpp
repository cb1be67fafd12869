#include "text/local_time.h"

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

namespace kestrion::text {

LocalTime local_time_now() {
#ifdef _WIN32
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
#else
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
#endif
}

std::string format_local_time(const LocalTime& t, const char* format) {
  char buffer[64];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  int n = std::snprintf(buffer, sizeof buffer, format, t.year, t.month, t.day, t.hour, t.minute,
                        t.second);
#pragma GCC diagnostic pop
  if (n <= 0) return {};
  return std::string(buffer, std::min(static_cast<size_t>(n), sizeof buffer - 1));
}

}  // namespace kestrion::text
