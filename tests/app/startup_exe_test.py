#!/usr/bin/env python3
"""Runs the real Quorrin.exe under Wine through its start-up paths: no configuration server,
a configuration server, and a second instance.

Environment: QUORRIN_WINE_RUN (the Wine wrapper), QUORRIN_EXE, QUORRIN_TOOLS (folder of the
test tools), QUORRIN_CONFIG_PORT (the port of the configured host), QUORRIN_WORK (scratch dir).
"""
import json
import os
import socket
import subprocess
import sys
import unittest
import urllib.request
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "server"))
from with_server import start_server  # noqa: E402

WINE = os.environ["QUORRIN_WINE_RUN"]
EXE = os.environ["QUORRIN_EXE"]
TOOLS = Path(os.environ["QUORRIN_TOOLS"])
PORT = int(os.environ["QUORRIN_CONFIG_PORT"])
WORK = Path(os.environ["QUORRIN_WORK"])

CONFIG = (b"[WINXPWP]\nurlcount=1\nurl1=http://127.0.0.1/xp.qrn\n[WIN7WP]\nurlcount=0\n"
          b"[WINXP]\nurlcount=0\n[WIN7]\nurlcount=0\n")


def port_free(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) != 0


def requests_seen(port):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/__requests") as reply:
        return json.load(reply)


class Server:
    def __enter__(self):
        WORK.mkdir(parents=True, exist_ok=True)
        (WORK / "kestrin_1_0.ini").write_bytes(CONFIG)
        self.proc, self.port = start_server(PORT, WORK)
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        self.proc.wait(timeout=5)


def run_exe(timeout=60):
    # No pipes: Wine's helper processes inherit them and would keep them open.
    return subprocess.run([WINE, EXE], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=timeout).returncode


class StartupExe(unittest.TestCase):
    def test_without_configuration_server_only_the_network_message_appears(self):
        self.assertTrue(port_free(PORT), f"port {PORT} of the configured host is in use")
        program = subprocess.Popen([WINE, EXE])
        try:
            probe = subprocess.run([WINE, str(TOOLS / "msgbox_probe.exe"), "抱歉", "30000"],
                                   capture_output=True, text=True, timeout=60)
            self.assertEqual(probe.returncode, 0, probe.stdout)
            lines = dict(line.split(" ", 1) for line in probe.stdout.splitlines() if " " in line)
            self.assertEqual(lines["TEXT"], "无法连接云服务器， 请检查网络!")
            self.assertEqual(lines["OTHER_WINDOW"], "0", "a window besides the message box")
            self.assertEqual(program.wait(timeout=30), 0)
        finally:
            if program.poll() is None:
                program.kill()

    def test_fetches_the_configuration_and_ends_normally(self):
        with Server() as server:
            self.assertEqual(run_exe(), 0)
            seen = requests_seen(server.port)
            self.assertEqual([r["path"] for r in seen], ["/kestrin_1_0.ini"])
            # The server's header parser drops the agent's trailing blank.
            self.assertEqual(seen[0]["user_agent"].rstrip(), "Opera/9.27 (Windows NT 5.2; U; zh-cn)")

    def test_a_second_instance_raises_the_first_without_touching_the_network(self):
        with Server() as server:
            holder = subprocess.Popen([WINE, str(TOOLS / "instance_holder.exe"), "30000"],
                                      stdout=subprocess.PIPE, text=True)
            try:
                self.assertEqual(holder.stdout.readline().strip(), "READY")
                self.assertEqual(run_exe(), 0)
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
