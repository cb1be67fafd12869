// The Windows side of scripts/bench: one measurement per start, timed inside this process (Wine's
// start-up is not counted), printed as key=value lines for the script to collect.
//
//   kestrion_bench download <address> <folder>        download_package into <folder>\package.zip
//   kestrion_bench extract <package> <folder>         extract_package
//   kestrion_bench copy <source> <destination>        myCopyFileOrDeleteFile
//   kestrion_bench floor <list> <folder>              the platform's floor: every file of <list>
//                                                     (lines "relative\path<TAB>bytes") made with
//                                                     a bare create, write, close
//   kestrion_bench install <store> <setup name> <till>
//                                                     the real program in a real window, from its
//                                                     start to the success box, while its dialog
//                                                     is sent WM_NULL every 10 ms
//
// Paths may be Unix paths (/a/b), seen as Z:\a\b. The operations run on the in-memory run state;
// each of its pumps is timestamped, and gap_ms is the longest time without one, from the start of
// the operation to its end. peak_growth_mb is how far the process's peak working set rose above
// its working set at the start of the operation.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "installer.h"
#include "install/archive.h"
#include "install/tree.h"
#include "service/download.h"
#include "state/memory_state.h"
#include "support.h"

using namespace kestrion;

namespace {

constexpr char kInstalled[] = "安装成功，请双击桌面图标启动客户端";
constexpr double kInstallLimitSeconds = 300;

std::string path_arg(const char* arg) {
  const std::string a = arg;
  return !a.empty() && a[0] == '/' ? test::win_path(a) : a;
}

double now_seconds() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) / frequency;
}

// The growth of the peak working set over the working set at the start. A higher peak left from
// the process's start-up can only make the figure larger, never hide a growth.
class PeakWatch {
 public:
  PeakWatch() : start_(counters().WorkingSetSize) {}
  double growth_mb() const {
    const SIZE_T peak = counters().PeakWorkingSetSize;
    return peak > start_ ? double(peak - start_) / 1e6 : 0.0;
  }

 private:
  static PROCESS_MEMORY_COUNTERS counters() {
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
    return c;
  }
  SIZE_T start_ = 0;
};

// Times one operation on the in-memory run state: its length and the longest time between two
// pumps, the operation's start and end counting as pumps.
class Timed {
 public:
  explicit Timed(MemoryRunState& state) {
    state.on_pump = [this] { mark(); };
    start_ = last_ = now_seconds();
  }
  void finish() {
    mark();
    seconds_ = last_ - start_;
  }
  void print(const MemoryRunState& state, const PeakWatch& peak, bool ok) const {
    std::printf("ok=%d\nseconds=%.4f\ngap_ms=%.1f\npumps=%d\npeak_growth_mb=%.1f\n", ok ? 1 : 0,
                seconds_, longest_ * 1000, state.pumps, peak.growth_mb());
  }

 private:
  void mark() {
    const double t = now_seconds();
    longest_ = std::max(longest_, t - last_);
    last_ = t;
  }
  double start_ = 0, last_ = 0, longest_ = 0, seconds_ = 0;
};

int download(const std::string& address, const std::string& folder) {
  MemoryRunState state;
  PeakWatch peak;
  Timed timed(state);
  const bool ok = static_cast<bool>(download_package(state, address, folder, "package.zip"));
  timed.finish();
  timed.print(state, peak, ok);
  return 0;
}

int extract(const std::string& package, const std::string& folder) {
  CreateDirectoryA(folder.c_str(), nullptr);
  MemoryRunState state;
  PeakWatch peak;
  Timed timed(state);
  const bool ok = extract_package(state, package, folder);
  timed.finish();
  timed.print(state, peak, ok);
  return ok ? 0 : 1;
}

int copy(const std::string& source, const std::string& destination) {
  MemoryRunState state;
  PeakWatch peak;
  Timed timed(state);
  const bool ok = myCopyFileOrDeleteFile(state, destination, source, "");
  timed.finish();
  timed.print(state, peak, ok);
  return ok ? 0 : 1;
}

// The same files as the list names, made the plainest way there is: each folder created once,
// each file created as new, written from memory in 1 MB calls and closed.
int floor_files(const std::string& list, const std::string& folder) {
  struct File {
    std::string path;
    unsigned long long bytes;
  };
  std::vector<File> files;
  unsigned long long largest = 0;
  std::ifstream in(list);
  for (std::string line; std::getline(in, line);) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    files.push_back({line.substr(0, tab), std::stoull(line.substr(tab + 1))});
    largest = std::max(largest, files.back().bytes);
  }
  if (files.empty()) {
    std::fprintf(stderr, "floor: no files listed in %s\n", list.c_str());
    return 2;
  }
  std::vector<char> data(static_cast<size_t>(std::min<unsigned long long>(largest, 1 << 20)));
  for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 7 + 1);

  const double start = now_seconds();
  bool ok = CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
  std::set<std::string> made;
  for (const File& f : files) {
    // Every folder above the file, from the top, once.
    for (size_t at = f.path.find('\\'); at != std::string::npos; at = f.path.find('\\', at + 1)) {
      const std::string sub = f.path.substr(0, at);
      if (made.insert(sub).second) CreateDirectoryA((folder + "\\" + sub).c_str(), nullptr);
    }
    HANDLE h = CreateFileA((folder + "\\" + f.path).c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      ok = false;
      continue;
    }
    for (unsigned long long left = f.bytes; left > 0;) {
      const DWORD n = DWORD(std::min<unsigned long long>(left, data.size()));
      DWORD written = 0;
      if (!WriteFile(h, data.data(), n, &written, nullptr) || written != n) {
        ok = false;
        break;
      }
      left -= n;
    }
    CloseHandle(h);
  }
  std::printf("ok=%d\nseconds=%.4f\nfiles=%u\n", ok ? 1 : 0, now_seconds() - start,
              unsigned(files.size()));
  return ok ? 0 : 1;
}

// A message box of the process (a dialog holding static control 0xFFFF), or null.
HWND message_box_of(DWORD pid) {
  for (HWND h : test::windows_of(pid, "#32770"))
    if (GetDlgItem(h, 0xFFFF)) return h;
  return nullptr;
}

// The whole install in a real window: the setup program started, the till folder entered, Run
// pressed, then the success box. From the moment the dialog shows until the box is there, the
// dialog is sent WM_NULL every 10 ms; answer_ms is the longest it took to answer one.
int install(const std::string& store, const std::string& setup_name, const std::string& till) {
  DeleteFileA((test::appdata_folder() + "\\Tillwright\\posclient.json").c_str());
  test::Installer setup(store, setup_name);
  const double start = now_seconds();
  setup.start();
  if (!setup.dialog()) {
    std::fprintf(stderr, "install: the dialog did not show\n");
    return 1;
  }
  const double shown = now_seconds();
  setup.set(IDC_INSTALL_FOLDER, till);
  setup.press_run();
  const double pressed = now_seconds();
  double longest = 0, longest_at = 0, next = now_seconds();
  int probes = 0;
  HWND box = nullptr;
  while (!(box = message_box_of(setup.process().pid()))) {
    if (now_seconds() - start > kInstallLimitSeconds) {
      std::fprintf(stderr, "install: no box within %.0f s\n", kInstallLimitSeconds);
      return 1;
    }
    const double before = now_seconds();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(setup.dialog(), WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result)) {
      if (!setup.process().running()) break;
    }
    if (now_seconds() - before > longest) {
      longest = now_seconds() - before;
      longest_at = before - pressed;
    }
    ++probes;
    next += 0.010;
    const double wait = next - now_seconds();
    if (wait > 0) Sleep(DWORD(wait * 1000));
    else next = now_seconds();
  }
  const double boxed = now_seconds();
  const std::string text = box ? test::window_text(GetDlgItem(box, 0xFFFF)) : "";
  if (box) test::answer({box, "", text}, IDOK);
  const DWORD code = setup.wait_exit();
  std::printf("ok=%d\nseconds=%.4f\nrun_seconds=%.4f\nstart_seconds=%.4f\nanswer_ms=%.1f\n"
              "answer_at_seconds=%.3f\nprobes=%d\nexit_code=%lu\n",
              text == kInstalled && code == 1 ? 1 : 0, boxed - start, boxed - pressed,
              shown - start, longest * 1000, longest_at, probes, code);
  if (text != kInstalled) std::printf("box=%s\n", text.c_str());
  return text == kInstalled ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  try {
    if (what == "download" && argc == 4) return download(argv[2], path_arg(argv[3]));
    if (what == "extract" && argc == 4) return extract(path_arg(argv[2]), path_arg(argv[3]));
    if (what == "copy" && argc == 4) return copy(path_arg(argv[2]), path_arg(argv[3]));
    if (what == "floor" && argc == 4) return floor_files(path_arg(argv[2]), path_arg(argv[3]));
    if (what == "install" && argc == 5)
      return install(path_arg(argv[2]), argv[3], path_arg(argv[4]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", what.c_str(), e.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: kestrion_bench download <address> <folder> | extract <package> <folder> |\n"
               "       copy <source> <destination> | floor <list> <folder> |\n"
               "       install <store> <setup name> <till>\n");
  return 2;
}
