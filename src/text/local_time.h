// One reading of the local clock and its formatting into names and time stamps.
#pragma once

#include <string>

namespace kestrion::text {

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The local time now (the system's local time on Windows, the C library's elsewhere).
LocalTime local_time_now();

// `format` filled with year, month, day, hour, minute and second, in this order, as ints
// (for example "%4d%02d%02d%02d%02d%02d").
std::string format_local_time(const LocalTime& t, const char* format);

}  // namespace kestrion::text
