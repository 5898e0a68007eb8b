#!/usr/bin/env python3
"""The real Quorrin.exe under Wine and Xvfb, driven as a user drives it: real X mouse events
(xdotool) on the window and on the notification area, results read from files, from the test
server's request log and from the program's log.

Each case serves its own configuration on a free loopback port and hands the program that
host through QUORRIN_CONFIG_HOST, so the binary under test is the one that is released.

Environment: QUORRIN_WINE_RUN (the Wine wrapper), QUORRIN_EXE, QUORRIN_BUILD (the build
directory: the program's current directory, with .\\res\\ and the installer stand-in),
QUORRIN_TOOLS (the test tools), QUORRIN_SANDBOX (the folder behind drive D:), QUORRIN_WORK
(scratch dir), DISPLAY.
"""
import hashlib
import io
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import threading
import time
import unittest
import urllib.request
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "server"))
from with_server import start_server  # noqa: E402
from with_tls import tinyproxy_config, wait_port  # noqa: E402
from PIL import Image  # noqa: E402

WINE = os.environ["QUORRIN_WINE_RUN"]
EXE = os.environ["QUORRIN_EXE"]
BUILD = Path(os.environ["QUORRIN_BUILD"])
TOOLS = Path(os.environ["QUORRIN_TOOLS"])
SANDBOX = Path(os.environ["QUORRIN_SANDBOX"])
WORK = Path(os.environ["QUORRIN_WORK"])
GHOFILE = SANDBOX / "d" / "ghofile"
TITLE = "Quorrin一键装机"
IMAGE_SIZE = 3 * 1024 * 1024 + 77
# Client points of the Start button's and the minimise button's centres.
START = (430, 413)
MINIMISE = (785, 13)
X_ENV = dict(os.environ, LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8")


def wait_until(check, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = check()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError(f"timed out after {seconds} s waiting for {what}")


def x_windows():
    """(id, name, program, x, y, width, height) of every top-level X window."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True,
                          env=X_ENV).stdout
    found = []
    for line in tree.splitlines():
        m = re.match(r'\s+(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): \((?:"([^"]*)")?.*?\)\s+'
                     r'(\d+)x(\d+)\+(-?\d+)\+(-?\d+)', line)
        if m:
            found.append((m[1], m[2], m[3], int(m[6]), int(m[7]), int(m[4]), int(m[5])))
    return found


def viewable(window_id):
    state = subprocess.run(["xwininfo", "-id", window_id], capture_output=True, text=True,
                           env=X_ENV).stdout
    return "IsViewable" in state


def main_window():
    """The main window once it is shown at its full size."""
    for w in x_windows():
        if w[1] == TITLE and w[5] == 862 and viewable(w[0]):
            return w
    return None


# The programs started and not yet ended: a wait for the window ends at once, with what Wine
# said, when the one started last ended before its window appeared.
STARTED = []


def shown_or_ended():
    window = main_window()
    if window or not STARTED or STARTED[-1].proc.poll() is None:
        return window
    raise AssertionError(f"Quorrin.exe ended with code {STARTED[-1].proc.returncode} before its "
                         f"window appeared: {STARTED[-1].output()}")


def wait_for_main_window():
    window = wait_until(shown_or_ended, 60, "the main window")
    # Its first paint follows the mapping.
    time.sleep(0.5)
    return window


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, env=X_ENV)
    time.sleep(0.2)


def click_client(point, button=1):
    window = wait_for_main_window()
    # The window has a one-pixel border around its client area.
    xdotool("mousemove", window[3] + 1 + point[0], window[4] + 1 + point[1], "click", button)


def client_screenshot(window):
    """The window's client area as the screen shows it, in RGB."""
    png = subprocess.run(["import", "-window", "root", "-crop",
                          f"860x560+{window[3] + 1}+{window[4] + 1}", "png:-"],
                         capture_output=True, check=True, env=X_ENV).stdout
    return Image.open(io.BytesIO(png)).convert("RGB")


def quit_from_tray():
    """Right click on the icon, then "点我退出", the menu's second item."""
    tray = wait_until(lambda: next((w for w in x_windows() if w[1] == "Wine System Tray"), None),
                      30, "the notification area")
    xdotool("mousemove", tray[3] + tray[6] // 2, tray[4] + tray[6] // 2, "click", 3)
    menu = wait_until(lambda: next((w for w in x_windows() if w[1] is None and
                                    w[2] == "quorrin.exe" and 30 < w[6] < 100), None),
                      10, "the tray menu")
    xdotool("mousemove", menu[3] + menu[5] // 2, menu[4] + menu[6] * 3 // 4, "click", 1)


def wine(*args, timeout=120, capture=False):
    # No pipes unless asked: Wine's helper processes inherit them and would keep them open.
    out = subprocess.PIPE if capture else subprocess.DEVNULL
    return subprocess.run([WINE, *args], cwd=BUILD, stdin=subprocess.DEVNULL, stdout=out,
                          stderr=subprocess.DEVNULL, text=True, timeout=timeout)


def set_windows_version(version):
    key = r"HKCU\Software\Wine"
    if version:
        wine("reg", "add", key, "/v", "Version", "/t", "REG_SZ", "/d", version, "/f")
    else:
        wine("reg", "delete", key, "/v", "Version", "/f")


INTERNET_SETTINGS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"


def set_internet_options_proxy(server):
    """The proxy of Internet Options, as the user sets it in the dialog; None clears it."""
    if server:
        wine("reg", "add", INTERNET_SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "1",
             "/f")
        wine("reg", "add", INTERNET_SETTINGS, "/v", "ProxyServer", "/t", "REG_SZ", "/d", server,
             "/f")
    else:
        wine("reg", "add", INTERNET_SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "0",
             "/f")
        wine("reg", "delete", INTERNET_SETTINGS, "/v", "ProxyServer", "/f")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Server:
    """The test server with a configuration document and the images in its own docroot."""

    def __init__(self, xp=None, win7=None, pages=None):
        self.root = WORK / f"root{time.monotonic_ns()}"
        self.root.mkdir(parents=True)
        self.proc, self.port = start_server(0, self.root)
        self.host = f"127.0.0.1:{self.port}"
        self.images = {}
        for name in ("xp.qrn", "win7u32.qrn", "localhost/win7u32.qrn"):
            data = os.urandom(IMAGE_SIZE)
            (self.root / name).parent.mkdir(parents=True, exist_ok=True)
            (self.root / name).write_bytes(data)
            self.images[name] = data
        for name, body in (pages or {}).items():
            (self.root / name).parent.mkdir(parents=True, exist_ok=True)
            (self.root / name).write_text(body.replace("HOST", self.host))
        self.configure(xp or [f"http://{self.host}/xp.qrn"],
                       win7 or [f"http://{self.host}/win7u32.qrn"])

    def configure(self, xp, win7, win7_sha256=None):
        """First group only: every address of a list in its WP section; the Windows 7 image's
        digest in [WIN7] when given."""
        def section(name, urls):
            lines = [f"[{name}]", f"urlcount={len(urls)}"]
            lines += [f"url{i}={u.replace('HOST', self.host)}" for i, u in enumerate(urls, 1)]
            return "\n".join(lines)
        digest = [f"sha256={win7_sha256}"] if win7_sha256 else []
        document = "\n".join([section("WINXPWP", xp), section("WIN7WP", win7), "[WINXP]",
                              "urlcount=0", "[WIN7]", "urlcount=0", *digest, ""])
        (self.root / "kestrin_1_0.ini").write_text(document)

    def requests(self):
        with urllib.request.urlopen(f"http://{self.host}/__requests") as reply:
            return json.load(reply)

    def reset(self):
        urllib.request.urlopen(f"http://{self.host}/__reset").read()

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=5)
        self.proc.stdout.close()


class Program:
    """Quorrin.exe started with the configuration host `host`, from the folder `folder`."""

    def __init__(self, host, folder=BUILD):
        env = dict(os.environ, QUORRIN_CONFIG_HOST=host)
        WORK.mkdir(parents=True, exist_ok=True)
        # A file, not a pipe: Wine's helper processes inherit it and would keep a pipe open.
        self.log = WORK / f"program{time.monotonic_ns()}.log"
        with open(self.log, "wb") as log:
            self.proc = subprocess.Popen([WINE, EXE], cwd=folder, env=env,
                                         stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        STARTED.append(self)

    def output(self):
        return self.log.read_text(errors="replace").strip()[-2000:]

    def wait(self, timeout=60):
        return self.proc.wait(timeout=timeout)

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if self in STARTED:
            STARTED.remove(self)


class PeakMemory:
    """The largest resident size, in MiB, that the program's Windows process reaches while the
    block runs, sampled every 100 ms from /proc."""

    def __enter__(self):
        self.peak = 0.0
        self.done = threading.Event()
        self.thread = threading.Thread(target=self.sample)
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.done.set()
        self.thread.join()

    def sample(self):
        exe = Path(EXE).name
        while not self.done.wait(0.1):
            for status in Path("/proc").glob("[0-9]*/status"):
                try:
                    command = (status.parent / "cmdline").read_bytes()
                    if exe.encode() not in command or b"wine-run" in command:
                        continue
                    rss = re.search(r"VmRSS:\s+(\d+) kB", status.read_text())
                except OSError:
                    continue
                if rss:
                    self.peak = max(self.peak, int(rss.group(1)) / 1024)


# An endless answer at loopback speed grew the process by hundreds of megabytes a second when
# nothing capped it; a program that keeps its caps stays far below this.
MEMORY_CEILING_MIB = 300


class ExeTest(unittest.TestCase):
    def setUp(self):
        shutil.rmtree(GHOFILE, ignore_errors=True)
        self.cleanups = []

    def tearDown(self):
        for cleanup in reversed(self.cleanups):
            cleanup()
        shutil.rmtree(GHOFILE, ignore_errors=True)

    def serve(self, **kwargs):
        server = Server(**kwargs)
        self.cleanups.append(server.stop)
        return server

    def run_program(self, host, folder=BUILD):
        program = Program(host, folder)
        self.cleanups.append(program.kill)
        return program

    def assert_handed_off(self, server, served, image, marker):
        """The whole road's end: the image whole, the marker, the installer copy, " /set"."""
        receipt = (GHOFILE / "QrnOneKey.receipt.txt").read_text().splitlines()
        self.assertEqual(receipt[0], "COMMAND_LINE  /set")
        self.assertIn(f"FILE {marker} 0", receipt)
        self.assertIn(f"FILE {image} {IMAGE_SIZE}", receipt)
        self.assertEqual((GHOFILE / image).read_bytes(), server.images[served])
        self.assertEqual((GHOFILE / "QrnOneKey.exe").read_bytes(),
                         (BUILD / "QrnOneKey.exe").read_bytes())
        log = (BUILD / "debug.log").read_bytes()
        self.assertEqual(log, f"正在获取缓存位置->D:\\ghofile\\{image}\r\n".encode("gbk"))

    def road(self, server, image):
        """Start, then the hand-off hides the window; returns the program, still running."""
        program = self.run_program(server.host)
        click_client(START)
        done = wine(str(TOOLS / "main_window_driver.exe"), "wait-hidden", "120000",
                    timeout=180, capture=True)
        self.assertEqual(done.returncode, 0, done.stdout)
        self.assertTrue((GHOFILE / "QrnOneKey.receipt.txt").exists(),
                        "hidden before the installer ended")
        return program

    def quit(self, program):
        quit_from_tray()
        self.assertEqual(program.wait(), 0)

    def test_no_configuration_server_shows_only_the_network_message(self):
        program = self.run_program(f"127.0.0.1:{free_port()}")
        probe = wine(str(TOOLS / "msgbox_probe.exe"), "抱歉", "30000", capture=True)
        self.assertEqual(probe.returncode, 0, probe.stdout)
        lines = dict(line.split(" ", 1) for line in probe.stdout.splitlines() if " " in line)
        self.assertEqual(lines["TEXT"], "无法连接云服务器， 请检查网络!")
        self.assertEqual(lines["OTHER_WINDOW"], "0", "a window besides the message box")
        self.assertEqual(program.wait(), 0)

    def test_an_endless_configuration_is_no_configuration(self):
        server = self.serve()
        (server.root / "kestrin_1_0.ini.query").write_text("mode=endless")
        with PeakMemory() as memory:
            program = self.run_program(server.host)
            probe = wine(str(TOOLS / "msgbox_probe.exe"), "抱歉", "30000", capture=True)
        self.assertEqual(probe.returncode, 0, probe.stdout)
        self.assertIn("TEXT 无法连接云服务器， 请检查网络!", probe.stdout)
        self.assertEqual(program.wait(), 0)
        self.assertGreater(memory.peak, 0, "the program's process was not found")
        self.assertLess(memory.peak, MEMORY_CEILING_MIB)
        log = (BUILD / "debug.log").read_bytes().decode("gbk")
        self.assertEqual(log, "云配置超过 65536 字节, 已放弃\r\n")

    def test_an_endless_or_trickling_share_page_is_a_link_that_failed(self):
        # Endless at full speed ends at the page's cap at once; one byte a second ends at the
        # page's 30 s deadline. Either way the direct mirror behind it brings the image.
        for name, query in (("endless", "mode=endless"), ("trickling", "mode=endless&delay_ms=1000")):
            with self.subTest(page=name):
                shutil.rmtree(GHOFILE, ignore_errors=True)
                server = self.serve(pages={"s/win7.html": "<html>"})
                page = f"/s/win7.html?{query}"
                server.configure([f"http://{server.host}/xp.qrn"],
                                 [f"http://localhost:{server.port}{page}",
                                  f"http://{server.host}/win7u32.qrn"])
                try:
                    with PeakMemory() as memory:
                        program = self.road(server, "win7u32.qrn")
                    self.assert_handed_off(server, "win7u32.qrn", "win7u32.qrn", "win7.cfg")
                    paths = [(r["method"], r["path"]) for r in server.requests()]
                    self.assertEqual(paths, [("GET", "/kestrin_1_0.ini"), ("GET", page),
                                             ("HEAD", "/win7u32.qrn"), ("GET", "/win7u32.qrn")])
                    self.assertLess(memory.peak, MEMORY_CEILING_MIB)
                    self.quit(program)
                finally:
                    for cleanup in reversed(self.cleanups):
                        cleanup()
                    self.cleanups.clear()

    def test_the_whole_road_with_a_direct_mirror(self):
        # Wine reports Windows 7 by default: XP is refused and the Windows 7 image chosen. As
        # Windows XP the window recommends and picks the XP image.
        for version, image, marker, other in (("", "win7u32.qrn", "win7.cfg", "xp.cfg"),
                                              ("winxp", "xp.qrn", "xp.cfg", "win7.cfg")):
            with self.subTest(version=version or "default"):
                shutil.rmtree(GHOFILE, ignore_errors=True)
                GHOFILE.mkdir(parents=True)
                (GHOFILE / other).write_bytes(b"stale")
                (GHOFILE / "QrnOneKey.exe").write_bytes(b"an older installer")
                server = self.serve()
                set_windows_version(version)
                try:
                    program = self.road(server, image)
                    self.assert_handed_off(server, image, image, marker)
                    self.assertFalse((GHOFILE / other).exists(), "the other marker stays")
                    paths = [(r["method"], r["path"]) for r in server.requests()]
                    self.assertEqual(paths, [("GET", "/kestrin_1_0.ini"),
                                             ("HEAD", f"/{image}"), ("GET", f"/{image}")])
                    self.quit(program)
                finally:
                    set_windows_version("")
                    for cleanup in reversed(self.cleanups):
                        cleanup()
                    self.cleanups.clear()

    def test_a_cloud_drive_link_is_resolved_through_its_page(self):
        share = "http://localhost:{}/s/win7.html"
        page = ('<html><body><a href="http://HOST/localhost/win7u32.qrn?sign=1&amp;'
                'type=private">下载</a></body></html>')
        server = self.serve(pages={"s/win7.html": page})
        server.configure([f"http://{server.host}/xp.qrn"], [share.format(server.port)])
        program = self.road(server, "win7u32.qrn")
        self.assert_handed_off(server, "localhost/win7u32.qrn", "win7u32.qrn", "win7.cfg")
        paths = [(r["method"], r["path"]) for r in server.requests()]
        resolved = "/localhost/win7u32.qrn?sign=1&type=private"
        self.assertEqual(paths, [("GET", "/kestrin_1_0.ini"), ("GET", "/s/win7.html"),
                                 ("HEAD", resolved), ("GET", resolved)])
        self.quit(program)

    def test_a_page_without_a_link_falls_back_to_the_direct_mirror(self):
        server = self.serve(pages={"s/gone.html": "<html><body>分享已失效</body></html>"})
        server.configure([f"http://{server.host}/xp.qrn"],
                         [f"http://localhost:{server.port}/s/gone.html",
                          f"http://{server.host}/win7u32.qrn"])
        program = self.road(server, "win7u32.qrn")
        self.assert_handed_off(server, "win7u32.qrn", "win7u32.qrn", "win7.cfg")
        paths = [(r["method"], r["path"]) for r in server.requests()]
        self.assertEqual(paths, [("GET", "/kestrin_1_0.ini"), ("GET", "/s/gone.html"),
                                 ("HEAD", "/win7u32.qrn"), ("GET", "/win7u32.qrn")])
        self.quit(program)

    def test_quitting_mid_download_then_starting_again_fetches_only_the_rest(self):
        server = self.serve()
        # About 160 KB/s: the quit comes long before the end.
        slow = f"http://{server.host}/win7u32.qrn?mode=pieces&size=16384&delay_ms=100"
        server.configure([f"http://{server.host}/xp.qrn"], [slow])
        image = GHOFILE / "win7u32.qrn"
        program = self.run_program(server.host)
        click_client(START)
        wait_until(lambda: image.exists() and image.stat().st_size > 256 * 1024, 60,
                   "part of the image")
        self.quit(program)
        kept = image.stat().st_size
        self.assertLess(kept, IMAGE_SIZE, "the download ended before the quit")

        server.reset()
        server.configure([f"http://{server.host}/xp.qrn"], [f"http://{server.host}/win7u32.qrn"])
        program = self.road(server, "win7u32.qrn")
        self.assert_handed_off(server, "win7u32.qrn", "win7u32.qrn", "win7.cfg")
        transfers = [r for r in server.requests() if r["method"] == "GET" and
                     r["path"] == "/win7u32.qrn"]
        self.assertEqual(len(transfers), 1)
        self.assertEqual(transfers[0]["range"], f"bytes={kept}-", "only the rest travels")
        self.quit(program)

    def assert_set_aside(self, probe, expected_sha256):
        """The failure message, nothing handed to the installer, the damaged image aside."""
        self.assertEqual(probe.returncode, 0, probe.stdout)
        self.assertIn("TEXT 下载的镜像校验不符， 可能已损坏或被篡改， 不会用于安装。 "
                      "它已被移到一旁， 请重新运行本程序再次下载!", probe.stdout)
        self.assertFalse((GHOFILE / "QrnOneKey.receipt.txt").exists(), "the installer ran")
        self.assertFalse((GHOFILE / "win7u32.qrn").exists())
        self.assertFalse((GHOFILE / "win7u32.qrn.cfg").exists())
        aside = (GHOFILE / "win7u32.qrn.corrupt").read_bytes()
        self.assertEqual(len(aside), IMAGE_SIZE)
        log = (BUILD / "debug.log").read_bytes().decode("gbk")
        self.assertIn(f"应为 {expected_sha256}, 实为 {hashlib.sha256(aside).hexdigest()}", log)

    def test_only_an_image_with_the_configured_digest_reaches_the_installer(self):
        server = self.serve()
        right = hashlib.sha256(server.images["win7u32.qrn"]).hexdigest()
        server.configure([f"http://{server.host}/xp.qrn"], [f"http://{server.host}/win7u32.qrn"],
                         win7_sha256=right.upper())
        program = self.road(server, "win7u32.qrn")
        self.assert_handed_off(server, "win7u32.qrn", "win7u32.qrn", "win7.cfg")
        self.quit(program)

        # A mirror that sends the right length with one byte wrong.
        shutil.rmtree(GHOFILE, ignore_errors=True)
        flipped = f"http://{server.host}/win7u32.qrn?mode=flip"
        server.configure([f"http://{server.host}/xp.qrn"], [flipped], win7_sha256=right)
        program = self.run_program(server.host)
        click_client(START)
        probe = wine(str(TOOLS / "msgbox_probe.exe"), "出错了", "60000", capture=True)
        self.assert_set_aside(probe, right)
        self.assertIn(flipped, (BUILD / "debug.log").read_bytes().decode("gbk"))
        self.assertEqual(program.wait(), 0)

    def test_a_wrong_image_is_caught_after_a_run_killed_mid_download(self):
        server = self.serve()
        wrong = hashlib.sha256(b"another image").hexdigest()
        slow = f"http://{server.host}/win7u32.qrn?mode=pieces&size=16384&delay_ms=100"
        server.configure([f"http://{server.host}/xp.qrn"], [slow], win7_sha256=wrong)
        image = GHOFILE / "win7u32.qrn"
        program = self.run_program(server.host)
        click_client(START)
        wait_until(lambda: image.exists() and image.stat().st_size > 256 * 1024, 60,
                   "part of the image")
        program.kill()
        kept = image.stat().st_size
        self.assertLess(kept, IMAGE_SIZE, "the download ended before the kill")

        server.reset()
        server.configure([f"http://{server.host}/xp.qrn"], [f"http://{server.host}/win7u32.qrn"],
                         win7_sha256=wrong)
        program = self.run_program(server.host)
        click_client(START)
        probe = wine(str(TOOLS / "msgbox_probe.exe"), "出错了", "60000", capture=True)
        self.assert_set_aside(probe, wrong)
        transfers = [r for r in server.requests() if r["method"] == "GET" and
                     r["path"] == "/win7u32.qrn"]
        self.assertEqual([r["range"] for r in transfers], [f"bytes={kept}-"])
        self.assertEqual(program.wait(), 0)

    def test_the_skin_is_found_from_any_starting_folder(self):
        """Its own res\\ folder first, as the release is laid out; the program's own one when
        the folder it was started from has none, as a shortcut with another "Start in" has."""
        background = Image.open(BUILD / "res" / "Bkgnd.png").convert("RGB")
        recoloured = Image.new("RGB", background.size, (12, 200, 40))
        server = self.serve()
        for name, own_res, expected in (("without res", False, background),
                                        ("with its own res", True, recoloured)):
            with self.subTest(name):
                folder = WORK / f"started in {name} 文件夹"
                shutil.rmtree(folder, ignore_errors=True)
                folder.mkdir(parents=True)
                if own_res:
                    shutil.copytree(BUILD / "res", folder / "res")
                    recoloured.save(folder / "res" / "Bkgnd.png")
                program = self.run_program(server.host, folder)
                shot = client_screenshot(wait_for_main_window())
                # Controls and text cover part of the background; a window drawn from other
                # images, or from none, matches it almost nowhere.
                points = [(x, y) for x in range(5, 860, 57) for y in range(5, 560, 37)]
                same = sum(shot.getpixel(p) == expected.getpixel(p) for p in points)
                self.assertGreater(same, len(points) // 2,
                                   f"{same} of {len(points)} points show the background")
                quit_from_tray()
                self.assertEqual(program.wait(), 0)

    def test_behind_a_proxy_the_configuration_and_the_image_both_go_through_it(self):
        server = self.serve()
        work = WORK / f"proxy{time.monotonic_ns()}"
        work.mkdir(parents=True)
        port = free_port()
        proxy = subprocess.Popen(["tinyproxy", "-d", "-c",
                                  str(tinyproxy_config(work, "open", port, "Allow 127.0.0.1"))],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.cleanups.append(lambda: (proxy.terminate(), proxy.wait(timeout=5)))
        wait_port(port, proxy, "tinyproxy", work / "open.log")
        set_internet_options_proxy(f"127.0.0.1:{port}")
        self.cleanups.append(lambda: set_internet_options_proxy(None))
        program = self.road(server, "win7u32.qrn")
        self.assert_handed_off(server, "win7u32.qrn", "win7u32.qrn", "win7.cfg")
        log = (work / "open.log").read_text(errors="replace")
        for request in ("GET http://{}/kestrin_1_0.ini", "HEAD http://{}/win7u32.qrn",
                        "GET http://{}/win7u32.qrn"):
            self.assertIn(request.format(server.host), log)
        self.quit(program)

    def test_a_second_start_brings_the_first_window_forward_and_ends(self):
        server = self.serve()
        first = self.run_program(server.host)
        click_client(MINIMISE)
        wait_until(lambda: main_window() is None, 10, "the window hidden")
        server.reset()
        second = self.run_program(server.host)
        self.assertEqual(second.wait(), 0)
        self.assertEqual(server.requests(), [], "the second start makes no request")
        shown = wine(str(TOOLS / "main_window_driver.exe"), "wait-shown", "10000", capture=True)
        self.assertEqual(shown.returncode, 0, "the first window is not shown again")
        x, y, cx, cy = map(int, shown.stdout.split()[1:5])
        screen = subprocess.run(["xdpyinfo"], capture_output=True, text=True,
                                env=X_ENV).stdout
        width, height = map(int, re.search(r"dimensions:\s+(\d+)x(\d+)", screen).groups())
        self.assertLessEqual(abs(x + cx // 2 - width // 2), 1, "centred")
        self.assertLessEqual(abs(y + cy // 2 - height // 2), 30, "centred on the work area")
        self.quit(first)


if __name__ == "__main__":
    unittest.main(verbosity=2)
