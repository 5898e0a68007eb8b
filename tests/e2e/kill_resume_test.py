#!/usr/bin/env python3
"""A download in pieces whose process is killed twice at different moments, and resumed each
time, ends with the exact image, and the server saw no byte fetched twice except the last
moment's bytes of the requests in flight when a kill came.

Runs the engine through the test tool piece_download under Wine against the loopback test
server, which serves the image slowly enough for every kill to land among running connections.

Environment: QUORRIN_WINE_RUN, QUORRIN_TOOLS, QUORRIN_SANDBOX (the folder behind drive D:),
QUORRIN_WORK (scratch dir).
"""
import hashlib
import json
import os
import shutil
import signal
import subprocess
import sys
import time
import unittest
import urllib.request
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "server"))
from with_server import start_server  # noqa: E402

WINE = os.environ["QUORRIN_WINE_RUN"]
TOOL = Path(os.environ["QUORRIN_TOOLS"]) / "piece_download.exe"
SANDBOX = Path(os.environ["QUORRIN_SANDBOX"])
WORK = Path(os.environ["QUORRIN_WORK"])
IMAGE_SIZE = 40 * 1024 * 1024 + 999
# Each connection's pace: 16 KiB every 20 ms.
PIECE, DELAY_MS = 16384, 20
# What a killed run may have received without recording it, per request: the record is saved
# once a second (1.5 s of the pace, with room for the loop), and each connection gathers up to
# 512 KiB before it writes.
UNRECORDED = int(1.5 * PIECE * 1000 / DELAY_MS) + 512 * 1024


def windows_processes(name):
    """The Linux processes that run the Windows program `name` under Wine."""
    found = []
    for cmdline in Path("/proc").glob("[0-9]*/cmdline"):
        try:
            command = cmdline.read_bytes()
        except OSError:
            continue
        if name.encode() in command and b"wine-run" not in command:
            found.append(int(cmdline.parent.name))
    return found


class KillResumeTest(unittest.TestCase):
    def setUp(self):
        self.www = WORK / "www"
        shutil.rmtree(WORK, ignore_errors=True)
        self.www.mkdir(parents=True)
        self.content = bytes((i * 7 + i // 65536) % 251 for i in range(IMAGE_SIZE))
        (self.www / "image.bin").write_bytes(self.content)
        self.server, port = start_server(0, self.www)
        self.base = f"http://127.0.0.1:{port}"
        self.folder = SANDBOX / "d" / "killed"
        shutil.rmtree(self.folder, ignore_errors=True)

    def tearDown(self):
        self.server.terminate()
        self.server.wait(timeout=10)
        shutil.rmtree(self.folder, ignore_errors=True)

    def start(self):
        url = f"{self.base}/image.bin?mode=pieces&size={PIECE}&delay_ms={DELAY_MS}"
        sha = hashlib.sha256(self.content).hexdigest()
        return subprocess.Popen([WINE, str(TOOL), url, r"D:\killed\image.qrn", sha],
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)

    def kill_after(self, seconds):
        run = self.start()
        time.sleep(seconds)
        pids = windows_processes(TOOL.name)
        self.assertTrue(pids, "the download is running")
        killed_at = time.time()
        for pid in pids:
            os.kill(pid, signal.SIGKILL)
        run.communicate(timeout=60)
        self.assertTrue((self.folder / "image.qrn.part").exists())
        self.assertTrue((self.folder / "image.qrn.part.map").exists())
        self.assertFalse((self.folder / "image.qrn").exists(), "holes never take the image's name")
        return killed_at

    def test_killed_twice_resumes_to_the_exact_image(self):
        kills = [self.kill_after(4.0), self.kill_after(4.0)]
        run = self.start()
        out, _ = run.communicate(timeout=300)
        self.assertEqual(run.returncode, 0, out)
        self.assertEqual((self.folder / "image.qrn").read_bytes(), self.content)
        self.assertFalse((self.folder / "image.qrn.part").exists())
        self.assertFalse((self.folder / "image.qrn.part.map").exists())

        with urllib.request.urlopen(f"{self.base}/__requests") as answer:
            log = json.load(answer)
        gets = []
        for entry in log:
            if entry["method"] != "GET" or not entry["path"].startswith("/image.bin"):
                continue
            first, _, last = entry["range"][len("bytes="):].partition("-")
            gets.append((int(first), int(last), entry["started"], entry["sent"]))
        self.assertGreaterEqual(len(gets), 12, "four connections in each run")

        for i, later in enumerate(gets):
            for earlier in gets[:i]:
                start = max(later[0], earlier[0])
                end = min(later[1], earlier[0] + earlier[3] - 1)
                # Only bytes the earlier request delivered, asked for again after a kill.
                if end < start or not any(earlier[2] < kill < later[2] for kill in kills):
                    continue
                self.assertGreaterEqual(
                    start, earlier[0] + earlier[3] - UNRECORDED,
                    f"bytes {start}-{end} were fetched again though stored well before the kill"
                    f" (request from {earlier[0]}, {earlier[3]} bytes sent)")


if __name__ == "__main__":
    unittest.main(verbosity=2)
