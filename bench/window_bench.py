#!/usr/bin/env python3
"""Measures the main window of Quorrin.exe: start-up against the configuration fetch, idle CPU on
page 1 and on page 2 with a download that receives nothing, and (through
quorrin-window-bench.exe) memory and GDI handles across an hour of progress ticks and page
changes. Prints one line per measurement and a table of medians with the goals beside them.

Runs inside bench/run-window-bench.sh, which provides the private network namespace (the
configuration address 127.0.0.1:18080 is compiled in), the X display and a Wine prefix of the
benchmark's own whose wineserver is already running. Every clock here is time.monotonic(), read
in this one process: the server's answers, the launches and the screen polls share it.
"""
import argparse
import ctypes
import os
import re
import statistics
import subprocess
import sys
import threading
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
# The test server is imported from the source tree, which must stay free of compiled files.
sys.dont_write_bytecode = True
sys.path.insert(0, str(HERE.parent / "tests" / "server"))
import quorrin_test_server as qts  # noqa: E402

CONFIG_PORT = 18080
CONFIG_PATH = "/kestrin_1_0.ini"
TITLE_PATTERN = "Quorrin"
WINDOW_SIZE = (862, 562)
# Points in window coordinates (border included), all drawn by the first paint: the header, the
# middle of the Start button and the lower right corner of the body. The window counts as painted
# once all three show what the settled window shows there.
PAINT_POINTS = [(400, 60), (431, 414), (850, 550)]
# The Start button's middle in client coordinates: client (x, y) is window (1 + x, 1 + y).
START_CLIENT = (332 + 98, 385 + 28)
IMAGE_SIZE = 3435973836  # what the stalled server announces: a 3.2 GiB image
CLK_TCK = os.sysconf("SC_CLK_TCK")


# ---------------------------------------------------------------------------------------------
# Loopback server: the test server's handler, with the time of every request and answer.

class Recorder:
    def __init__(self):
        self.lock = threading.Lock()
        self.entries = []

    def add(self, entry):
        with self.lock:
            self.entries.append(entry)

    def take(self):
        with self.lock:
            entries, self.entries = self.entries, []
        return entries

    def snapshot(self):
        with self.lock:
            return list(self.entries)


RECORDER = Recorder()


def mode_benchstall(req, data, params):
    """HEAD announces a whole image; GET sends the same headers, then no byte for `seconds`."""
    size = qts.param(params, "size", IMAGE_SIZE)
    req.send_response(200)
    req.send_header("Accept-Ranges", "bytes")
    req.send_header("Content-Type", "application/octet-stream")
    req.send_header("Content-Length", str(size))
    req.end_headers()
    req.wfile.flush()
    if req.command == "GET":
        time.sleep(qts.param(params, "seconds", 120))
    req.close_connection = True


qts.MODES["benchstall"] = mode_benchstall


# The program being launched: its run time is read when its configuration request arrives.
WATCHED = {"pid": None}


class TimedHandler(qts.Handler):
    def handle_any(self):
        received = time.monotonic()
        entry = {"method": self.command, "path": self.path, "received": received}
        if self.path == CONFIG_PATH and WATCHED["pid"]:
            entry["run_ns"] = run_ns(WATCHED["pid"])
        RECORDER.add(entry)
        try:
            super().handle_any()
        finally:
            # The answer is written straight to the socket: it has left when this returns.
            entry["answered"] = time.monotonic()


def start_server(docroot):
    TimedHandler.docroot = Path(docroot)
    server = qts.Server(("127.0.0.1", CONFIG_PORT), TimedHandler)
    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05},
                              daemon=True)
    thread.start()
    return server


def write_config(docroot, image_url):
    text = ("[WINXPWP]\nurlcount=1\nurl1={u}\n[WIN7WP]\nurlcount=1\nurl1={u}\n"
            "[WINXP]\nurlcount=0\n[WIN7]\nurlcount=0\n").format(u=image_url)
    (Path(docroot) / CONFIG_PATH.lstrip("/")).write_text(text)


# ---------------------------------------------------------------------------------------------
# Screen: single pixels of the root window through libX11, a fraction of a millisecond each.

class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte))]


ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)


class Screen:
    Z_PIXMAP = 2
    ALL_PLANES = 0xFFFFFFFF

    def __init__(self, display_name):
        x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XGetImage.restype = ctypes.POINTER(XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XGetPixel.restype = ctypes.c_ulong
        x.XGetPixel.argtypes = [ctypes.POINTER(XImage), ctypes.c_int, ctypes.c_int]
        x.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        # A failed grab must not end the benchmark through Xlib's default handler.
        self._on_error = ERROR_HANDLER(lambda display, event: 0)
        x.XSetErrorHandler(self._on_error)
        self.x = x
        self.display = x.XOpenDisplay(display_name.encode())
        if not self.display:
            raise RuntimeError(f"cannot open display {display_name}")
        self.root = x.XDefaultRootWindow(self.display)

    def pixel(self, px, py):
        image = self.x.XGetImage(self.display, self.root, px, py, 1, 1, self.ALL_PLANES,
                                 self.Z_PIXMAP)
        if not image:
            return None
        value = self.x.XGetPixel(image, 0, 0)
        self.x.XDestroyImage(image)
        return value

    def pixels(self, points):
        return [self.pixel(px, py) for px, py in points]

    def close(self):
        self.x.XCloseDisplay(self.display)


# ---------------------------------------------------------------------------------------------
# Processes: CPU times from /proc, limited to this network namespace (everything in it is ours).

OWN_NETNS = os.readlink("/proc/self/ns/net")


def netns_processes():
    """{pid: comm} of the processes in this network namespace."""
    found = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if os.readlink(f"/proc/{entry}/ns/net") != OWN_NETNS:
                continue
            found[int(entry)] = Path(f"/proc/{entry}/comm").read_text().strip()
        except OSError:
            continue
    return found


def cpu_ticks(pid):
    """utime + stime of every thread of `pid` so far, in clock ticks; None once it is gone."""
    try:
        stat = Path(f"/proc/{pid}/stat").read_text()
    except OSError:
        return None
    fields = stat[stat.rindex(")") + 2:].split()
    return int(fields[11]) + int(fields[12])


def run_ns(pid):
    """Time every live thread of `pid` has run, in nanoseconds (exact, unlike the clock ticks of
    /proc/<pid>/stat, but blind to threads that ended meanwhile); None once it is gone."""
    total = 0
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            try:
                total += int(Path(f"/proc/{pid}/task/{task}/schedstat").read_text().split()[0])
            except OSError:
                pass
    except OSError:
        return None
    return total


def switches(pid):
    """Context switches of every live thread of `pid`: how often it woke up, roughly."""
    total = 0
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return None
    for task in tasks:
        try:
            text = Path(f"/proc/{pid}/task/{task}/status").read_text()
        except OSError:
            continue
        total += sum(int(n) for n in re.findall(r"ctxt_switches:\s+(\d+)", text))
    return total


def find_pids(comm):
    return sorted(pid for pid, name in netns_processes().items() if name == comm)


class Wine:
    def __init__(self, args):
        self.build = Path(args.build)
        self.workdir = Path(args.workdir)
        self.env = dict(os.environ)

    def popen(self, exe, *arguments, stdout=subprocess.DEVNULL):
        loader = self.env.get("QUORRIN_WINE", "wine")
        return subprocess.Popen([loader, str(exe), *arguments], cwd=self.workdir, env=self.env,
                                stdin=subprocess.DEVNULL, stdout=stdout,
                                stderr=subprocess.DEVNULL)


def tool(*command, timeout=10):
    return subprocess.run(command, capture_output=True, text=True, timeout=timeout).stdout


# ---------------------------------------------------------------------------------------------
# One launch of the program.

class Launch:
    def __init__(self, wine, screen):
        self.wine = wine
        self.screen = screen
        self.process = None
        self.pid = None
        self.launched = None

    def start(self):
        RECORDER.take()
        self.launched = time.monotonic()
        self.process = self.wine.popen(self.wine.build / "Quorrin.exe")
        # wine execs its loader, which runs the program in the same process.
        self.pid = self.process.pid
        WATCHED["pid"] = self.pid

    def program_pid(self):
        """The Linux process running Quorrin.exe: the launched one once wine has exec'd."""
        if Path(f"/proc/{self.pid}/comm").exists():
            if Path(f"/proc/{self.pid}/comm").read_text().strip() == "Quorrin.exe":
                return self.pid
        pids = find_pids("Quorrin.exe")
        return pids[0] if pids else None

    def window_geometry(self, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            ids = tool("xdotool", "search", "--onlyvisible", "--name", TITLE_PATTERN).split()
            if ids:
                info = tool("xwininfo", "-id", ids[0])
                get = lambda key: int(re.search(rf"{key}:\s+(-?\d+)", info).group(1))
                return (get("Absolute upper-left X"), get("Absolute upper-left Y"),
                        get("Width"), get("Height"))
            time.sleep(0.05)
        raise RuntimeError("the main window did not appear")

    def wait_painted(self, points, expected, timeout=30):
        """Polls the points until they show `expected`: the time of the poll that saw them, the
        program's run time then, and the intervals between polls (the resolution)."""
        deadline = time.monotonic() + timeout
        last = None
        intervals = []
        while True:
            now = time.monotonic()
            if last is not None:
                intervals.append(now - last)
            last = now
            if self.screen.pixels(points) == expected:
                return now, run_ns(self.pid), intervals
            if now > deadline:
                raise RuntimeError("the main window was not painted in time")
            if self.process.poll() is not None:
                raise RuntimeError(f"Quorrin.exe ended early ({self.process.returncode})")
            # Leaves the processor to the program now and then without coarsening the poll.
            time.sleep(0.0002)

    def config_times(self):
        """When the configuration request arrived and was answered, and the program's run time
        when it arrived."""
        for entry in RECORDER.snapshot():
            if entry["path"] == CONFIG_PATH and "answered" in entry:
                return entry["received"], entry["answered"], entry.get("run_ns")
        return None, None, None

    def quit(self, timeout=20):
        """Quits through the tray command; seconds until the process ended, None when killed."""
        if self.process is None or self.process.poll() is not None:
            return 0.0
        asked = time.monotonic()
        helper = self.wine.popen(self.wine.build / "tools" / "main_window_driver.exe", "command",
                                 "514")
        try:
            helper.wait(timeout=15)
        except subprocess.TimeoutExpired:
            helper.kill()
            helper.wait()
        try:
            self.process.wait(timeout=timeout)
            return time.monotonic() - asked
        except subprocess.TimeoutExpired:
            pid = self.program_pid()
            for victim in {self.process.pid, pid} - {None}:
                try:
                    os.kill(victim, 9)
                except OSError:
                    pass
            self.process.wait()
            return None


def settle(screen, points, seconds=1.0, timeout=20):
    """Waits until the points keep the same values for `seconds`; returns them."""
    deadline = time.monotonic() + timeout
    values = screen.pixels(points)
    since = time.monotonic()
    while time.monotonic() < deadline:
        time.sleep(0.05)
        now_values = screen.pixels(points)
        if now_values != values:
            values, since = now_values, time.monotonic()
        elif time.monotonic() - since >= seconds:
            return values
    raise RuntimeError("the window did not settle")


def window_points(geometry, points):
    gx, gy = geometry[0], geometry[1]
    return [(gx + px, gy + py) for px, py in points]


# ---------------------------------------------------------------------------------------------
# The measurements.

def measure_startup(wine, screen, docroot, runs, log):
    silent = f"http://127.0.0.1:{CONFIG_PORT}/win7u32.qrn?mode=silent&seconds=120"
    write_config(docroot, silent)
    # The first launch finds where the window lies and what its first paint shows; it also warms
    # the prefix's caches, and is not counted.
    launch = Launch(wine, screen)
    launch.start()
    geometry = launch.window_geometry()
    points = window_points(geometry, PAINT_POINTS)
    expected = settle(screen, points)
    log(f"calibration: window at {geometry[0]},{geometry[1]} size {geometry[2]}x{geometry[3]}, "
        f"expected pixels {['%06x' % v for v in expected]}")
    if (geometry[2], geometry[3]) != WINDOW_SIZE:
        log(f"warning: window size {geometry[2]}x{geometry[3]}, expected "
            f"{WINDOW_SIZE[0]}x{WINDOW_SIZE[1]}")
    launch.quit()
    results = []
    for run in range(1, runs + 1):
        wait_gone(screen, points, expected)
        launch = Launch(wine, screen)
        launch.start()
        try:
            painted, painted_ns, intervals = launch.wait_painted(points, expected)
            received, answered, request_ns = launch.config_times()
        finally:
            quit_seconds = launch.quit()
        if answered is None:
            raise RuntimeError("the configuration request was not seen")
        row = {
            "request": (received - launch.launched) * 1000,
            "answered": (answered - launch.launched) * 1000,
            "painted": (painted - launch.launched) * 1000,
            "poll": statistics.median(intervals) * 1000 if intervals else 0.0,
            "quit": quit_seconds,
        }
        row["after_config"] = row["painted"] - row["answered"]
        # The program's own CPU time: where other load on the machine stretched a launch, its
        # wall time lies well above this.
        row["cpu_before"] = request_ns / 1e6 if request_ns is not None else float("nan")
        row["cpu_after"] = ((painted_ns - request_ns) / 1e6
                            if None not in (request_ns, painted_ns) else float("nan"))
        results.append(row)
        log("startup run {}: launch->config request {:.1f} ms, ->config answered {:.1f} ms, "
            "->window painted {:.1f} ms, painted-answered {:.1f} ms; Quorrin.exe CPU "
            "{:.1f} ms before the request, {:.1f} ms from request to paint (poll every {:.2f} ms;"
            " quit took {}; load {})".format(
                run, row["request"], row["answered"], row["painted"], row["after_config"],
                row["cpu_before"], row["cpu_after"], row["poll"],
                "killed" if quit_seconds is None else f"{quit_seconds:.2f} s", loadavg()))
    return results


def loadavg():
    return Path("/proc/loadavg").read_text().split()[0]


def measure_wine_baseline(wine, runs, log):
    """Launch to exit of a trivial program (the window driver with nothing to do): what any
    program pays Wine to start and end, out of the program's reach."""
    times = []
    for _ in range(runs):
        started = time.monotonic()
        helper = wine.popen(wine.build / "tools" / "main_window_driver.exe")
        try:
            helper.wait(timeout=30)
        except subprocess.TimeoutExpired:
            helper.kill()
            helper.wait()
            continue
        times.append((time.monotonic() - started) * 1000)
    log("wine baseline: launch -> trivial program ended " +
        ", ".join(f"{t:.1f}" for t in times) + " ms")
    return times


def wait_gone(screen, points, expected, timeout=20):
    """A new launch must not be timed against the last run's window still on the screen."""
    deadline = time.monotonic() + timeout
    while screen.pixels(points) == expected:
        if time.monotonic() > deadline:
            raise RuntimeError("the previous window is still on the screen")
        time.sleep(0.05)


def cpu_over(seconds, pids):
    """% of one core used by each group of pids over `seconds`: from utime + stime, and from the
    scheduler's run time as a finer check."""
    def sample():
        return {name: [(cpu_ticks(p), run_ns(p), switches(p)) for p in group]
                for name, group in pids.items()}

    before = sample()
    started = time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - started
    after = sample()
    usage = {}
    for name in pids:
        ticks = 0
        nanoseconds = 0
        wakes = 0
        for (t1, n1, w1), (t2, n2, w2) in zip(before[name], after[name]):
            if t1 is not None and t2 is not None:
                ticks += t2 - t1
            if n1 is not None and n2 is not None:
                nanoseconds += max(0, n2 - n1)
            if w1 is not None and w2 is not None:
                wakes += max(0, w2 - w1)
        usage[name] = {"cpu": ticks / CLK_TCK / elapsed * 100,
                       "run": nanoseconds / 1e9 / elapsed * 100,
                       "switches": wakes / elapsed}
    return usage


def process_groups(program_pid):
    found = netns_processes()
    me = os.getpid()
    groups = {"program": [program_pid], "wineserver": [], "xvfb": [], "other_wine": []}
    for pid, comm in found.items():
        if pid in (program_pid, me):
            continue
        if comm.startswith("wineserver"):
            groups["wineserver"].append(pid)
        elif comm == "Xvfb":
            groups["xvfb"].append(pid)
        elif comm.endswith(".exe"):
            groups["other_wine"].append(pid)
    return groups


def measure_idle(wine, screen, docroot, variant, image_url, seconds, log):
    write_config(docroot, image_url)
    launch = Launch(wine, screen)
    launch.start()
    result = {}
    try:
        geometry = launch.window_geometry()
        # The pointer stays off the window: a hovered control would be measured, not an idle one.
        tool("xdotool", "mousemove", "1279", "799")
        settle(screen, window_points(geometry, PAINT_POINTS))
        time.sleep(2)
        program = launch.program_pid()
        if program is None:
            raise RuntimeError("no Quorrin.exe process")
        groups = process_groups(program)
        result["page1"] = cpu_over(seconds, groups)
        log(f"idle {variant} page 1: " + fmt_usage(result["page1"]))

        start = (geometry[0] + 1 + START_CLIENT[0], geometry[1] + 1 + START_CLIENT[1])
        tool("xdotool", "mousemove", str(start[0]), str(start[1]), "click", "1")
        tool("xdotool", "mousemove", "1279", "799")
        # The 1.2 s animation and the first request of the download pass before the count.
        deadline = time.monotonic() + 10
        while not [e for e in RECORDER.snapshot() if e["path"].startswith("/win7u32.qrn")]:
            if time.monotonic() > deadline:
                raise RuntimeError("page 2 did not start a download")
            time.sleep(0.05)
        time.sleep(2)
        groups = process_groups(program)
        result["page2"] = cpu_over(seconds, groups)
        requests = [f"{e['method']} {e['path'].split('?')[0]}" for e in RECORDER.snapshot()
                    if e["path"].startswith("/win7u32.qrn")]
        log(f"idle {variant} page 2: " + fmt_usage(result["page2"]) +
            f" (image requests so far: {', '.join(requests)})")
    finally:
        quit_seconds = launch.quit()
        log(f"idle {variant}: quit took " +
            ("too long, killed" if quit_seconds is None else f"{quit_seconds:.2f} s"))
    return result


def fmt_usage(usage):
    return ", ".join(f"{name} {u['cpu']:.2f}% ({u['run']:.3f}% by run time, "
                     f"{u['switches']:.1f} switches/s)" for name, u in usage.items())


def measure_window_bench(wine, log):
    process = wine.popen(wine.build / "bench" / "quorrin-window-bench.exe", stdout=subprocess.PIPE)
    try:
        out, _ = process.communicate(timeout=600)
    except subprocess.TimeoutExpired:
        process.kill()
        process.communicate()
        raise RuntimeError("quorrin-window-bench did not finish")
    text = out.decode(errors="replace")
    for line in text.splitlines():
        log("window bench: " + line)
    figures = {}
    for line in text.splitlines():
        head = re.match(r"(\w+)=([-\d.]+)", line)
        if not head:
            continue
        fields = {"count": head.group(2)}
        each = re.search(r"ms_each=([-\d.]+)", line)
        fields["ms_each"] = each.group(1) if each else "0"
        for key in ("wm_paints", "redraws"):
            found = re.search(rf"{key}=(\d+)", line)
            fields[key] = found.group(1) if found else "?"
        for key, before, after in re.findall(r"(\w+)_before=(-?\d+) after=(-?\d+)", line):
            fields[key] = (int(before), int(after))
        figures[head.group(1)] = fields
    if "ticks" not in figures or "changes" not in figures:
        raise RuntimeError(f"quorrin-window-bench printed no figures (exit {process.returncode})")
    return figures


# ---------------------------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--workdir", required=True, help="current directory, holding res/")
    parser.add_argument("--docroot", required=True)
    parser.add_argument("--display", required=True)
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--idle-seconds", type=float, default=10)
    args = parser.parse_args()

    def log(line):
        print(line, flush=True)

    # The server's thread must get the interpreter at once when a request arrives.
    sys.setswitchinterval(0.0002)

    server = start_server(args.docroot)
    screen = Screen(args.display)
    wine = Wine(args)
    try:
        log(f"load average at start {loadavg()} ({os.cpu_count()} processors)")
        startup = measure_startup(wine, screen, args.docroot, args.runs, log)
        baseline = measure_wine_baseline(wine, args.runs, log)
        silent_url = f"http://127.0.0.1:{CONFIG_PORT}/win7u32.qrn?mode=silent&seconds=120"
        stall_url = f"http://127.0.0.1:{CONFIG_PORT}/win7u32.qrn?mode=benchstall&seconds=120"
        idle_probe = measure_idle(wine, screen, args.docroot, "silent-server", silent_url,
                                  args.idle_seconds, log)
        idle_body = measure_idle(wine, screen, args.docroot, "stalled-body", stall_url,
                                 args.idle_seconds, log)
        window = measure_window_bench(wine, log)
    finally:
        screen.close()
        server.shutdown()
        server.server_close()

    med = lambda key: statistics.median(r[key] for r in startup)
    print()
    print(f"== Quorrin main window: medians of {len(startup)} launches, idle CPU over "
          f"{args.idle_seconds:g} s (% of one core) ==")
    rows = [
        ("launch -> config request received", f"{med('request'):.0f} ms", ""),
        ("launch -> config answered", f"{med('answered'):.0f} ms", ""),
        ("launch -> window painted", f"{med('painted'):.0f} ms", ""),
        ("config answered -> window painted", f"{med('after_config'):.0f} ms", "<= 150 ms"),
        ("  best of the launches", f"{min(r['after_config'] for r in startup):.0f} ms", ""),
        ("  screen poll period (resolution)", f"{med('poll'):.2f} ms", ""),
        ("  Quorrin.exe CPU, config request -> paint", f"{med('cpu_after'):.0f} ms", ""),
        ("Quorrin.exe CPU, launch -> config request", f"{med('cpu_before'):.0f} ms", ""),
        ("wine baseline: launch -> trivial exe ended",
         f"{statistics.median(baseline):.0f} ms" if baseline else "n/a", ""),
    ]
    for name, result in (("page 1", idle_probe["page1"]),
                         ("page 1, again", idle_body["page1"]),
                         ("page 2, server silent", idle_probe["page2"]),
                         ("page 2, body stalled", idle_body["page2"])):
        rows.append((f"idle {name}: Quorrin.exe", f"{result['program']['cpu']:.2f} % "
                     f"({result['program']['run']:.3f})", "< 1 %"))
        rows.append(("  Quorrin.exe context switches",
                     f"{result['program']['switches']:.0f} /s", ""))
        rows.append(("  wineserver / Xvfb / other wine processes",
                     f"{result['wineserver']['cpu']:.2f} / {result['xvfb']['cpu']:.2f} / "
                     f"{result['other_wine']['cpu']:.2f} %", ""))
    for phase, label in (("ticks", "progress ticks"), ("changes", "page changes")):
        fields = window[phase]
        rows.append((f"{fields['count']} {label}", f"{float(fields['ms_each']):.2f} ms each", ""))
        rows.append(("  WM_PAINTs / control redraw requests",
                     f"{fields['wm_paints']} / {fields['redraws']}", ""))
        for key, name in (("working_set_kb", "working set KiB"),
                          ("heap_busy_kb", "heap in use KiB"),
                          ("vm_data_kb", "Linux VmData KiB"),
                          ("live_gdi", "live GDI handles"),
                          ("kernel_handles", "kernel handles")):
            before, after = fields.get(key, ("?", "?"))
            rows.append((f"  {name}", f"{before} -> {after}", "no growth"))
    for name, value, goal in rows:
        print(f"{name:<44} {value:>22}   {goal}")
    resolution = 100 / CLK_TCK / args.idle_seconds
    print(f"Idle CPU from /proc/PID/stat utime+stime, resolution {resolution:.2f} %; in brackets"
          " the scheduler's run time of the live threads.")
    quits = [r["quit"] for r in startup if r["quit"] is not None]
    if quits:
        print(f"Quit -> process ended: median {statistics.median(quits):.2f} s; "
              f"{len(startup) - len(quits)} of {len(startup)} had to be killed. Under Xvfb without"
              " a window manager Wine waits up to 2 s for each window withdrawal.")


if __name__ == "__main__":
    main()
