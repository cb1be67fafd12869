// The download benchmark (scripts/bench runs it; ctest does not): a large package from the
// sample service, timed inside the program, with the messages drained, the bar's last position
// and the growth of the process's peak working set while it ran.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "service.h"
#include "service/download.h"
#include "state/memory_state.h"
#include "support.h"

using namespace kestrion;

namespace {

SIZE_T peak_working_set() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize;
}

TEST(DownloadBench, DISABLED_LargePackage) {
  const std::string bytes = test::env("KESTRION_BENCH_BYTES");
  const unsigned long long n = bytes.empty() ? 256ull << 20 : std::stoull(bytes);
  test::Service service;
  test::TempFolder tmp{"bench"};
  MemoryRunState state;
  const SIZE_T before = peak_working_set();
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  ASSERT_TRUE(download_package(state, service.url("/bytes/" + std::to_string(n) + "/p.zip"),
                               tmp / "v", "TILLWRIGHT.zip"));
  QueryPerformanceCounter(&end);
  const double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
  WIN32_FILE_ATTRIBUTE_DATA a{};
  GetFileAttributesExA((tmp / "v\\TILLWRIGHT.zip").c_str(), GetFileExInfoStandard, &a);
  const unsigned long long size = (unsigned long long)a.nFileSizeHigh << 32 | a.nFileSizeLow;
  EXPECT_EQ(size, n);
  EXPECT_EQ(state.progress_pos(), state.progress_high);
  std::printf("kestrion_bytes=%llu\nkestrion_seconds=%.3f\nkestrion_mb_per_s=%.1f\n"
              "kestrion_messages=%d\nkestrion_bar=%d/%d\nkestrion_peak_growth_mb=%.1f\n",
              size, seconds, n / seconds / 1e6, state.pumps, state.progress_pos(),
              state.progress_high, double(peak_working_set() - before) / 1e6);
}

}  // namespace
