#!/usr/bin/env python3
"""The benchmark behind scripts/bench: the installer's download, extraction and copy against the
native tools and the platform's floor, its memory, the window's longest stall, and the program's
size, in one run, printed as one table (Markdown).

Each comparison runs in pairs, the two sides taking turns (the order flips every round), so that
a machine getting busier or quieter between the sides shows in one pair, not in all of them. Its
ratio is tool time / Kestrion time (Kestrion's speed over the tool's, above 1 is faster), the
median of the pairs' ratios, with the lowest and highest.

Kestrion's side runs under Wine (tests/bench/bench.cpp, kestrion_bench.exe) and times itself
inside the process, so Wine's start-up is not counted; curl reports its own time; unzip, cp and
the floor are timed around the call (their start-up is a millisecond or two).

Called by scripts/bench, which chooses and builds the build; see docs/performance.md.
"""
import argparse
import json
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

MB = 1 << 20

# Per scale: the slow downloads (bytes, bytes a second), the stall and the unanswered wait (s).
SCALES = {
    "full": {"slow": [(2 * MB, 100 * 1024), (4 * MB, 1024 * 1024)], "stall": 10.0, "silent": 10.0},
    "small": {"slow": [(200 * 1024, 100 * 1024), (1 * MB, 1024 * 1024)], "stall": 2.0,
              "silent": 2.0},
}


def say(text):
    print(text, file=sys.stderr, flush=True)


class Bench:
    def __init__(self, args):
        self.top, self.build, self.arch = args.top, args.build, args.arch
        self.scale, self.pairs = args.scale, args.pairs
        self.work = os.path.join(self.build, "bench")
        self.packages = os.path.join(self.work, "packages-" + self.scale)
        self.scratch = os.path.join(self.work, "scratch")
        self.prefix = os.path.join(self.work, "wineprefix")
        self.program = os.path.join(self.build, "tests", "bench", "kestrion_bench.exe")
        self.env = dict(os.environ, KESTRION_ARCH=self.arch, KESTRION_BUILD=self.build,
                        KESTRION_SOURCE=self.top, KESTRION_WINEPREFIX=self.prefix)
        self.results = {}  # row key -> list of values or pairs
        self.port = None

    # ---- running things ---------------------------------------------------------------------

    def kestrion(self, *args, may_fail=False):
        """kestrion_bench.exe under Wine; its key=value lines as a dict."""
        # Into files, not pipes: Wine's own processes that the program's start brings up inherit
        # its output and outlive it, and a pipe would stay open until they end.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            run = subprocess.run([os.path.join(self.top, "scripts", "wine-run"), self.program,
                                  *args], env=self.env, stdout=out, stderr=err, timeout=900)
            out.seek(0)
            err.seek(0)
            stdout = out.read().decode("gbk", "replace")
            stderr = err.read().decode("gbk", "replace")
        values = {}
        for line in stdout.splitlines():
            key, _, value = line.strip().partition("=")
            if _:
                values[key] = value
        if run.returncode != 0 and not may_fail or "seconds" not in values:
            raise RuntimeError("kestrion_bench %s failed (%d): %s %s" % (
                " ".join(args), run.returncode, stdout, stderr))
        return {k: (float(v) if k.endswith(("seconds", "_ms", "_mb")) else v)
                for k, v in values.items()}

    @staticmethod
    def timed(command):
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        return time.perf_counter() - start

    def fresh(self, *names):
        for name in names:
            path = os.path.join(self.scratch, name)
            if os.path.lexists(path):
                shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
        return [os.path.join(self.scratch, n) for n in names]

    @staticmethod
    def settle():
        """Written data goes to the disk between measurements, not during the next one."""
        subprocess.run(["sync"], check=False)

    def configure(self, change):
        request = urllib.request.Request("http://127.0.0.1:%d/__control/config" % self.port,
                                         data=json.dumps(change).encode("utf-8"), method="POST")
        urllib.request.urlopen(request, timeout=10).read()

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    # ---- the measurements ---------------------------------------------------------------------

    def download(self):
        size = os.path.getsize(os.path.join(self.packages, "large.zip"))
        url = self.url("/files/large.zip")
        for i in range(self.pairs):
            for side in (("curl", "kestrion") if i % 2 == 0 else ("kestrion", "curl")):
                if side == "curl":
                    (out,) = self.fresh("curl.zip")
                    seconds = float(subprocess.run(
                        ["curl", "-s", "-o", out, "-w", "%{time_total}", url], check=True,
                        capture_output=True, text=True).stdout)
                    if os.path.getsize(out) != size:
                        raise RuntimeError("curl got %d of %d bytes" % (os.path.getsize(out), size))
                    curl = seconds
                else:
                    (folder,) = self.fresh("download")
                    k = self.kestrion("download", url, folder)
                    got = os.path.getsize(os.path.join(folder, "package.zip"))
                    if k["ok"] != "1" or got != size:
                        raise RuntimeError("download_package got %d of %d bytes" % (got, size))
                    self.results.setdefault("peak_download", []).append(k["peak_growth_mb"])
            self.results.setdefault("download", []).append((k["seconds"], curl))
            self.fresh("curl.zip", "download")
        self.settle()

    def trees(self, name):
        """Extraction and copy of one package's tree, against unzip, cp -r and the floor."""
        package = os.path.join(self.packages, name + ".zip")
        listing = os.path.join(self.packages, name + ".list")
        (source,) = self.fresh("source")
        subprocess.run(["unzip", "-q", package, "-d", source], check=True)
        self.settle()
        steps = ["unzip", "extract", "floor", "copy", "cp"]
        for i in range(self.pairs):
            t = {}
            for step in (steps if i % 2 == 0 else steps[::-1]):
                (out,) = self.fresh("out")
                if step == "unzip":
                    t[step] = self.timed(["unzip", "-q", package, "-d", out])
                elif step == "cp":
                    t[step] = self.timed(["cp", "-r", source, out])
                elif step == "floor":
                    t[step] = self.kestrion("floor", listing, out)["seconds"]
                else:
                    k = self.kestrion(step, package if step == "extract" else source, out)
                    self.check_tree(out, listing)
                    t[step] = k["seconds"]
                    self.results.setdefault("gap_%s_%s" % (step, name), []).append(k["gap_ms"])
                    self.results.setdefault("peak_%s_%s" % (step, name), []).append(
                        k["peak_growth_mb"])
                self.fresh("out")
                self.settle()
            for step, tool in (("extract", "unzip"), ("extract", "floor"), ("copy", "cp"),
                               ("copy", "floor")):
                self.results.setdefault("%s_%s_%s" % (step, name, tool), []).append(
                    (t[step], t[tool]))
        self.fresh("source")
        self.settle()

    @staticmethod
    def check_tree(folder, listing):
        """Every file of the package is there, at its size: a fast result must be a whole one."""
        expected = {}
        for line in open(listing):
            name, size = line.rstrip("\n").split("\t")
            expected[name.replace("\\", "/")] = int(size)
        found = {}
        for root, _, files in os.walk(folder):
            for f in files:
                path = os.path.join(root, f)
                found[os.path.relpath(path, folder)] = os.path.getsize(path)
        if found != expected:
            missing = sorted(set(expected) - set(found))[:3]
            raise RuntimeError("%s holds %d files, %d expected (missing e.g. %s)" % (
                folder, len(found), len(expected), missing))

    def huge(self):
        (out,) = self.fresh("out")
        k = self.kestrion("extract", os.path.join(self.packages, "huge.zip"), out)
        self.check_tree(out, os.path.join(self.packages, "huge.list"))
        self.results["gap_extract_huge"] = [k["gap_ms"]]
        self.results["peak_extract_huge"] = [k["peak_growth_mb"]]
        self.results["seconds_extract_huge"] = [k["seconds"]]
        self.fresh("out")
        self.settle()

    def slow_links(self, scale):
        routes = {}
        for size, rate in scale["slow"]:
            routes["/bytes/%d/slow%d.zip" % (size, rate)] = {"rate": rate}
        routes["/bytes/65536/stalled.zip"] = {"delay_ms": int(scale["stall"] * 1000)}
        self.configure({"routes": routes})
        for size, rate in scale["slow"]:
            (folder,) = self.fresh("download")
            k = self.kestrion("download", self.url("/bytes/%d/slow%d.zip" % (size, rate)), folder)
            self.results["gap_slow_%d" % rate] = [k["gap_ms"]]
            self.results["seconds_slow_%d" % rate] = [k["seconds"]]
        (folder,) = self.fresh("download")
        k = self.kestrion("download", self.url("/bytes/65536/stalled.zip"), folder)
        self.results["gap_stalled"] = [k["gap_ms"]]
        self.results["seconds_stalled"] = [k["seconds"]]
        self.configure({"routes": {path: None for path in routes}})
        self.fresh("download")

    def unanswered(self, hold):
        """A port whose SYN packets are dropped: a listener with a backlog of 0 that never
        accepts takes one connection (ours), and every later connect gets no answer. After `hold`
        seconds the listener closes, so the next SYN is refused and the download gives up."""
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(0)
        filler = socket.create_connection(listener.getsockname(), timeout=5)
        done = threading.Event()

        def close_after_first_drop():
            # The hold starts at the first dropped SYN (the kernel counts them), not at Wine's
            # start-up, which takes seconds on a busy machine.
            drops = listen_drops()
            limit = time.monotonic() + 60
            while listen_drops() == drops and time.monotonic() < limit and not done.is_set():
                time.sleep(0.01)
            done.wait(hold)
            listener.close()
            filler.close()

        closer = threading.Thread(target=close_after_first_drop)
        closer.start()
        try:
            (folder,) = self.fresh("download")
            k = self.kestrion("download", "http://127.0.0.1:%d/p.zip" % listener.getsockname()[1],
                              folder, may_fail=True)
        finally:
            done.set()
            closer.join()
        if k["ok"] == "1":
            raise RuntimeError("the download from a port that never answers succeeded")
        self.results["gap_unanswered"] = [k["gap_ms"]]
        self.results["seconds_unanswered"] = [k["seconds"]]
        self.fresh("download")

    def install(self):
        """The real program in a real window installs the large package."""
        self.configure({"client_name": "门店收银", "version": "1.0.0", "is_full": "true",
                        "package_url": "{base}/files/large.zip"})
        store, till = self.fresh("store", "till")
        os.makedirs(store)
        os.makedirs(till)
        k = self.kestrion("install", store, "setup(127.0.0.1_%d).exe" % self.port, till)
        self.results["install"] = [k]
        self.results["install_answer"] = [k["answer_ms"]]
        self.fresh("store", "till")
        self.settle()

    def program_size(self):
        """The stripped Release program of the 32-bit build (made when missing)."""
        win32 = os.path.join(self.top, "build", "win32")
        try:
            if not os.path.exists(os.path.join(win32, "CMakeCache.txt")):
                subprocess.run(["cmake", "--preset", "win32"], cwd=self.top, check=True,
                               stdout=subprocess.DEVNULL)
            subprocess.run(["cmake", "--build", win32, "--target", "kestrion", "-j2"], check=True,
                           stdout=subprocess.DEVNULL)
            stripped = os.path.join(self.scratch, "kestrion-stripped.exe")
            subprocess.run(["i686-w64-mingw32-strip", "-o", stripped,
                            os.path.join(win32, "kestrion.exe")], check=True)
            self.results["size"] = [os.path.getsize(stripped) / 1e6]
            self.results["size_unstripped"] = [os.path.getsize(os.path.join(win32, "kestrion.exe")) / 1e6]
            os.remove(stripped)
        except (subprocess.CalledProcessError, OSError) as e:
            say("bench: no 32-bit program to weigh: %s" % e)

    # ---- the run ------------------------------------------------------------------------------

    def run(self):
        scale = SCALES[self.scale]
        os.makedirs(self.scratch, exist_ok=True)
        standin = os.path.join(self.build, "tests", "e2e", "standin", "TILLWRIGHT.exe")
        say("bench: packages (%s) in %s" % (self.scale, self.packages))
        subprocess.run([sys.executable, os.path.join(self.top, "tests", "bench", "make_packages.py"),
                        standin, self.packages, self.scale], check=True)
        self.start_wine()
        self.load_start = os.getloadavg()
        service = os.path.join(self.work, "service")
        ctl = os.path.join(self.top, "tools", "service-ctl")
        subprocess.run([ctl, "start", service, "--files", self.packages], check=True,
                       stdout=subprocess.DEVNULL)
        try:
            self.port = int(open(os.path.join(service, "service.port")).read())
            steps = [("download", self.download), ("large tree", lambda: self.trees("large")),
                     ("small files", lambda: self.trees("small")), ("1 GB extraction", self.huge),
                     ("slow links", lambda: self.slow_links(scale)),
                     ("unanswered address", lambda: self.unanswered(scale["silent"])),
                     ("install in a window", self.install), ("program size", self.program_size)]
            for name, step in steps:
                start = time.monotonic()
                step()
                say("bench: %s (%.0f s)" % (name, time.monotonic() - start))
        finally:
            subprocess.run([ctl, "stop", service], check=False)
            self.stop_wine()
            shutil.rmtree(self.scratch, ignore_errors=True)
        self.load_end = os.getloadavg()

    def start_wine(self):
        """The prefix made, and its server kept running between the measurements: a Wine
        program starts in a fraction of a second then, not in one or two."""
        wine = os.path.join(self.top, "scripts", "wine-run")
        quiet = {"env": self.env, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
        subprocess.run([wine, self.program], check=False, **quiet)
        subprocess.run([wine, "wineserver", "-w"], check=False, **quiet)
        subprocess.run([wine, "wineserver", "-p"], check=True, **quiet)

    def stop_wine(self):
        subprocess.run([os.path.join(self.top, "scripts", "wine-run"), "wineserver", "-k"],
                       env=self.env, check=False, stderr=subprocess.DEVNULL)
        try:
            pid = int(open(self.prefix + ".state/xvfb.pid").read())
            os.kill(pid, 15)
        except (OSError, ValueError):
            pass

    # ---- the table ----------------------------------------------------------------------------

    def table(self):
        r, sizes = self.results, SCALES[self.scale]
        large = os.path.getsize(os.path.join(self.packages, "large.zip")) / MB
        huge = os.path.getsize(os.path.join(self.packages, "huge.zip")) / MB
        small = "{:,}".format(sum(1 for _ in open(os.path.join(self.packages, "small.list"))) - 1)
        big = max(int(line.split("\t")[1]) for line in
                  open(os.path.join(self.packages, "large.list"))) / MB
        rows = []

        def secs(s):
            return "%.3g s" % s

        def pairs(key, work, tool, target=None):
            values = r.get(key)
            if not values:
                return
            ratios = [t / k for k, t in values]
            median = statistics.median(ratios)
            rows.append((work, secs(statistics.median(k for k, _ in values)),
                         "%s %s" % (tool, secs(statistics.median(t for _, t in values))),
                         "%s (%s–%s)" % (ratio(median), ratio(min(ratios)), ratio(max(ratios))),
                         ("≥ %s" % target) if target else "",
                         verdict(median >= target) if target else ""))

        def single(key, work, unit, limit, note="", largest=True):
            values = r.get(key)
            if not values:
                return
            value = max(values) if largest else statistics.median(values)
            rows.append((work, "%.0f %s" % (value, unit) if unit == "ms" else "%.1f %s" % (value, unit),
                         note, "", "≤ %g %s" % (limit, unit), verdict(value <= limit)))

        large, huge, big = amount(large * MB), amount(huge * MB), amount(big * MB)
        pairs("download", "Download, %s package over loopback" % large, "curl", 0.8)
        pairs("extract_large_unzip", "Extract, %s package (one %s entry)" % (large, big),
              "unzip -q", 1.5)
        pairs("extract_large_floor", "Extract, %s package" % large, "floor")
        pairs("extract_small_unzip", "Extract, %s small files (1–20 KB)" % small, "unzip -q")
        pairs("extract_small_floor", "Extract, %s small files" % small, "floor", 0.9)
        pairs("copy_large_cp", "Copy, tree of the %s package" % large, "cp -r", 0.8)
        pairs("copy_large_floor", "Copy, tree of the %s package" % large, "floor")
        pairs("copy_small_cp", "Copy, tree of %s small files" % small, "cp -r")
        pairs("copy_small_floor", "Copy, tree of %s small files" % small, "floor", 0.9)
        single("peak_download", "Peak working-set growth, download %s" % large, "MB", 32)
        single("peak_extract_large", "Peak working-set growth, extract %s" % large, "MB", 32)
        single("peak_extract_huge", "Peak working-set growth, extract %s" % huge, "MB", 32)
        for size, rate in sizes["slow"]:
            single("gap_slow_%d" % rate, "Longest gap, download %s at %s/s" % (
                amount(size), amount(rate)), "ms", 100,
                "over %s" % secs(r["seconds_slow_%d" % rate][0]) if r.get("seconds_slow_%d" % rate) else "")
        single("gap_stalled", "Longest gap, service accepts and stalls %g s" % sizes["stall"], "ms",
               100, "over %s" % secs(r["seconds_stalled"][0]) if r.get("seconds_stalled") else "")
        single("gap_unanswered", "Longest gap, address that never answers (SYN dropped %g s)" %
               sizes["silent"], "ms", 100,
               "over %s" % secs(r["seconds_unanswered"][0]) if r.get("seconds_unanswered") else "")
        single("gap_extract_huge", "Longest gap, extract %s package" % huge, "ms", 100,
               "over %s" % secs(r["seconds_extract_huge"][0]) if r.get("seconds_extract_huge") else "")
        single("gap_copy_large", "Longest gap, copy the %s file (its tree)" % big, "ms", 100)
        if r.get("install"):
            single("install_answer", "Install in a real window, setup file to success box "
                   "(%s package): longest answer to WM_NULL" % large, "ms", 100,
                   "install %s (dialog after %s); the longest %s after Run" % (
                       secs(r["install"][0]["seconds"]), secs(r["install"][0]["start_seconds"]),
                       secs(r["install"][0]["answer_at_seconds"])))
        if r.get("size"):
            built = r["size_unstripped"][0]
            rows.append(("Program, win32 Release, stripped", "%.2f MB" % r["size"][0],
                         "as built %.2f MB" % built if built != r["size"][0] else "", "",
                         "≤ 1.5 MB", verdict(r["size"][0] <= 1.5)))
        out = ["| Work | Kestrion | Reference | Speed ratio, median (min–max) | Target | |",
               "|---|---|---|---|---|---|"]
        out += ["| " + " | ".join(row) + " |" for row in rows]
        out.append("")
        out.append("Scale %s, %d pairs; load average %.1f at the start, %.1f at the end; %s build "
                   "under %s." % (self.scale, self.pairs, self.load_start[0], self.load_end[0],
                                  self.arch, "wine64" if self.arch == "win64" else "wine"))
        return "\n".join(out)


def listen_drops():
    """The kernel's count of connection requests dropped at a full listen queue."""
    with open("/proc/net/netstat") as f:
        lines = [line.split() for line in f if line.startswith("TcpExt:")]
    return int(dict(zip(lines[0], lines[1]))["ListenDrops"])


def ratio(x):
    return "%.2f" % x if x < 10 else "%.0f" % x


def amount(n):
    """1 GB, 256 MB, 100 KB: whole units where the size allows."""
    for unit, size in (("GB", 1 << 30), ("MB", MB), ("KB", 1024)):
        if n >= size * 0.99:
            return "%.3g %s" % (n / size, unit)
    return "%d B" % n


def verdict(ok):
    return "met" if ok else "**not met**"


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--top", required=True)
    p.add_argument("--build", required=True)
    p.add_argument("--arch", required=True)
    p.add_argument("--scale", choices=sorted(SCALES), default="full")
    p.add_argument("--pairs", type=int, default=5)
    args = p.parse_args()
    if args.pairs < 1:
        p.error("--pairs must be at least 1")
    bench = Bench(args)
    bench.run()
    table = bench.table()
    print(table)
    with open(os.path.join(bench.work, "table-%s.md" % args.scale), "w") as f:
        f.write(table + "\n")
    # Every measurement behind the table, for a closer look.
    with open(os.path.join(bench.work, "results-%s.json" % args.scale), "w") as f:
        json.dump(bench.results, f, indent=1)


if __name__ == "__main__":
    main()
