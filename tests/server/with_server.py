#!/usr/bin/env python3
"""Runs a test command with its own loopback test server, and stops the server afterwards
whatever the outcome.

Usage: with_server.py [--port N] --docroot DIR -- COMMAND...

The command sees QUORRIN_TEST_SERVER (http://127.0.0.1:PORT), QUORRIN_TEST_DOCROOT (the
document root as a Windows path through Wine's Z: drive), QUORRIN_TEST_DOCROOT_UNIX, and
QUORRIN_TEST_DEAD_SERVER (an address where nothing listens).
"""
import argparse
import os
import socket
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent


def start_server(port, docroot):
    proc = subprocess.Popen([sys.executable, str(HERE / "quorrin_test_server.py"), "--port", str(port),
                             "--docroot", str(docroot)], stdout=subprocess.PIPE, text=True)
    line = proc.stdout.readline()
    if not line.startswith("PORT "):
        proc.kill()
        raise SystemExit(f"the test server did not start (port {port} in use?)")
    return proc, int(line.split()[1])


def dead_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    argv = sys.argv[1:]
    split = argv.index("--")
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--docroot", required=True)
    args = parser.parse_args(argv[:split])
    command = argv[split + 1:]
    docroot = Path(args.docroot).resolve()
    docroot.mkdir(parents=True, exist_ok=True)
    proc, port = start_server(args.port, docroot)
    env = dict(os.environ)
    env.update({
        "QUORRIN_TEST_SERVER": f"http://127.0.0.1:{port}",
        "QUORRIN_TEST_DOCROOT": "Z:" + str(docroot).replace("/", "\\"),
        "QUORRIN_TEST_DOCROOT_UNIX": str(docroot),
        "QUORRIN_TEST_DEAD_SERVER": f"http://127.0.0.1:{dead_port()}",
    })
    try:
        return subprocess.call(command, env=env)
    finally:
        proc.terminate()
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            proc.kill()


if __name__ == "__main__":
    sys.exit(main())
