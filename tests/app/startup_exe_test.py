#!/usr/bin/env python3
"""Runs the real Quorrin.exe under Wine: no configuration server, the whole road from the
configuration to a started installer stand-in and a hidden window, the quit from the tray
menu, and a second instance.

The program's configuration host is fixed when it is built (127.0.0.1 and a port). So that
nothing else on the machine can hold that port, the test runs in a network namespace of its
own (the caller starts it under `unshare -n`), with a Wine prefix of its own: Wine's sockets
belong to its wineserver, which must live in the same namespace.

Environment: QUORRIN_WINE_RUN (the Wine wrapper), QUORRIN_EXE, QUORRIN_BUILD (the build
directory, where the program finds .\\res\\ and the installer stand-in), QUORRIN_TOOLS (folder
of the test tools), QUORRIN_CONFIG_PORT (the port of the configured host), QUORRIN_WORK
(scratch dir).
"""
import json
import os
import subprocess
import sys
import unittest
import urllib.request
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "server"))
from with_server import start_server  # noqa: E402

WINE = os.environ["QUORRIN_WINE_RUN"]
EXE = os.environ["QUORRIN_EXE"]
BUILD = Path(os.environ["QUORRIN_BUILD"])
TOOLS = Path(os.environ["QUORRIN_TOOLS"])
PORT = int(os.environ["QUORRIN_CONFIG_PORT"])
WORK = Path(os.environ["QUORRIN_WORK"])
PREFIX = BUILD / "wineprefix-netns"
SANDBOX = BUILD / "sandbox-netns"
GHOFILE = SANDBOX / "d" / "ghofile"
IMAGE_SIZE = 3 * 1024 * 1024 + 77
# Client centre of the Start button.
START = ("430", "413")
ID_TRAY_EXIT = "514"


def config(host):
    return (f"[WINXPWP]\nurlcount=1\nurl1=http://{host}/xp.qrn\n"
            f"[WIN7WP]\nurlcount=1\nurl1=http://{host}/win7u32.qrn\n"
            "[WINXP]\nurlcount=0\n[WIN7]\nurlcount=0\n").encode()


def requests_seen(port):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/__requests") as reply:
        return json.load(reply)


def wine_env():
    env = dict(os.environ, QUORRIN_WINE_PREFIX=str(PREFIX), QUORRIN_WINE_SANDBOX=str(SANDBOX))
    return env


def wineserver_kill():
    subprocess.run(["wineserver", "-k"], env=dict(wine_env(), WINEPREFIX=str(PREFIX)),
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wine(*args, timeout=120, capture=False):
    # No pipes unless asked: Wine's helper processes inherit them and would keep them open.
    out = subprocess.PIPE if capture else subprocess.DEVNULL
    return subprocess.run([WINE, *args], env=wine_env(), cwd=BUILD, stdin=subprocess.DEVNULL,
                          stdout=out, stderr=subprocess.DEVNULL, text=True, timeout=timeout)


def drive(*steps, timeout=180):
    done = wine(str(TOOLS / "main_window_driver.exe"), *steps, timeout=timeout, capture=True)
    return done.returncode, done.stdout


def set_windows_version(version):
    key = r"HKCU\Software\Wine"
    if version:
        wine("reg", "add", key, "/v", "Version", "/t", "REG_SZ", "/d", version, "/f")
    else:
        wine("reg", "delete", key, "/v", "Version", "/f")


class Server:
    def __enter__(self):
        WORK.mkdir(parents=True, exist_ok=True)
        (WORK / "kestrin_1_0.ini").write_bytes(config(f"127.0.0.1:{PORT}"))
        self.images = {}
        for name in ("xp.qrn", "win7u32.qrn"):
            data = os.urandom(IMAGE_SIZE)
            (WORK / name).write_bytes(data)
            self.images[name] = data
        self.proc, self.port = start_server(PORT, WORK)
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        self.proc.wait(timeout=5)


class StartupExe(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        wineserver_kill()

    @classmethod
    def tearDownClass(cls):
        wineserver_kill()

    def test_without_configuration_server_only_the_network_message_appears(self):
        program = subprocess.Popen([WINE, EXE], env=wine_env(), cwd=BUILD,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            probe = wine(str(TOOLS / "msgbox_probe.exe"), "抱歉", "30000", capture=True)
            self.assertEqual(probe.returncode, 0, probe.stdout)
            lines = dict(line.split(" ", 1) for line in probe.stdout.splitlines() if " " in line)
            self.assertEqual(lines["TEXT"], "无法连接云服务器， 请检查网络!")
            self.assertEqual(lines["OTHER_WINDOW"], "0", "a window besides the message box")
            self.assertEqual(program.wait(timeout=30), 0)
        finally:
            if program.poll() is None:
                program.kill()

    def test_the_whole_road_ends_with_the_installer_started_and_the_window_hidden(self):
        # Wine reports Windows 7 by default: XP is refused and the Windows 7 image chosen. As
        # Windows XP the window recommends and picks the XP image.
        for version, image, marker, other in (("", "win7u32.qrn", "win7.cfg", "xp.cfg"),
                                              ("winxp", "xp.qrn", "xp.cfg", "win7.cfg")):
            with self.subTest(version=version or "default"), Server() as server:
                set_windows_version(version)
                subprocess.run(["rm", "-rf", str(GHOFILE)], check=True)
                GHOFILE.mkdir(parents=True)
                (GHOFILE / other).write_bytes(b"stale")
                (GHOFILE / "QrnOneKey.exe").write_bytes(b"an older installer")
                program = subprocess.Popen([WINE, EXE], env=wine_env(), cwd=BUILD,
                                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL)
                try:
                    code, out = drive("wait-shown", "30000", "click", *START,
                                      "wait-hidden", "120000")
                    self.assertEqual(code, 0, out)
                    receipt = (GHOFILE / "QrnOneKey.receipt.txt").read_text().splitlines()
                    self.assertEqual(receipt[0], "COMMAND_LINE  /set")
                    self.assertIn(f"FILE {marker} 0", receipt)
                    self.assertIn(f"FILE {image} {IMAGE_SIZE}", receipt)
                    self.assertFalse((GHOFILE / other).exists(), "the other marker stays")
                    self.assertEqual((GHOFILE / image).read_bytes(), server.images[image])
                    self.assertEqual((GHOFILE / "QrnOneKey.exe").read_bytes(),
                                     (BUILD / "QrnOneKey.exe").read_bytes())
                    paths = [r["path"] for r in requests_seen(server.port)]
                    self.assertEqual(paths[0], "/kestrin_1_0.ini")
                    self.assertIn(f"/{image}", paths)
                    log = (BUILD / "debug.log").read_bytes().decode("gbk")
                    self.assertIn("正在获取缓存位置->D:\\ghofile\\" + image, log)

                    code, out = drive("command", ID_TRAY_EXIT, "wait-gone", "30000")
                    self.assertEqual(code, 0, out)
                    self.assertEqual(program.wait(timeout=30), 0)
                finally:
                    if program.poll() is None:
                        program.kill()
                    set_windows_version("")

    def test_a_second_instance_raises_the_first_without_touching_the_network(self):
        with Server() as server:
            holder = subprocess.Popen([WINE, str(TOOLS / "instance_holder.exe"), "30000"],
                                      env=wine_env(), cwd=BUILD, stdout=subprocess.PIPE,
                                      text=True)
            try:
                self.assertEqual(holder.stdout.readline().strip(), "READY")
                self.assertEqual(wine(EXE, timeout=60).returncode, 0)
                shown = holder.stdout.readline().split()
                self.assertEqual(holder.wait(timeout=30), 0, "the first instance was not shown")
                self.assertEqual(shown[0], "SHOWN")
                cx, cy, wx, wy = map(int, shown[1:])
                self.assertLessEqual(abs(cx - wx), 1)
                self.assertLessEqual(abs(cy - wy), 1)
                self.assertEqual(requests_seen(server.port), [])
            finally:
                if holder.poll() is None:
                    holder.kill()


if __name__ == "__main__":
    unittest.main(verbosity=2)
