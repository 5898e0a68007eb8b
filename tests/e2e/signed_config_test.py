#!/usr/bin/env python3
"""The configuration document's signature, end to end under Wine and Xvfb: the program built
with the test key (keyed/Quorrin.exe, the public half of config-test.key) takes a document only
when that key signed it, and refuses every other one with a message of its own and one log line,
before it asks for any image; the program without a key (Quorrin.exe) takes a document signed
or not. scripts/sign-config.sh signs every document, and its --check agrees with the program.

Environment: as exe_test.py, whose server and driving helpers it uses, and QUORRIN_KEYED_EXE,
QUORRIN_CONFIG_TEST_KEY (the test key's file) and QUORRIN_CONFIG_TEST_PUBLIC (its public half).
"""
import os
import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import exe_test  # noqa: E402

SIGN_CONFIG = Path(__file__).resolve().parents[2] / "scripts" / "sign-config.sh"
KEYED = os.environ["QUORRIN_KEYED_EXE"]
UNKEYED = os.environ["QUORRIN_EXE"]
TEST_KEY = Path(os.environ["QUORRIN_CONFIG_TEST_KEY"])
TEST_PUBLIC = os.environ["QUORRIN_CONFIG_TEST_PUBLIC"]
OTHER_KEY = exe_test.WORK / "other.key"
REFUSAL = "云配置的签名无效， 可能已被篡改， 为安全起见本程序将退出!"
MISSING = "云配置签名无效: 缺少签名"
MALFORMED = "云配置签名无效: 签名格式错误"
MISMATCH = "云配置签名无效: 签名与内容不符"


def sign_config(*args):
    return subprocess.run(["bash", str(SIGN_CONFIG), *map(str, args)], capture_output=True)


def signed(document, key=TEST_KEY):
    unsigned = exe_test.WORK / "unsigned.ini"
    unsigned.write_bytes(document)
    made = sign_config(key, unsigned)
    assert made.returncode == 0, made.stderr
    return made.stdout


def section(document):
    return document[document.index(b"[SIGNATURE]"):]


# How each document is made from the plain one the server lists its mirrors in, which program
# reads it, whether the test key signed it (the program's verdict and --check's alike), and the
# log line of a refusal.
CASES = (
    ("signed", signed, KEYED, True, None),
    ("unsigned", lambda d: d, KEYED, False, MISSING),
    ("signed by another key", lambda d: signed(d, OTHER_KEY), KEYED, False, MISMATCH),
    ("one byte of a mirror line changed", lambda d: signed(d).replace(b"/xp.qrn", b"/xq.qrn"),
     KEYED, False, MISMATCH),
    ("signature truncated", lambda d: signed(d)[:-3], KEYED, False, MALFORMED),
    ("signature repeated", lambda d: signed(d) + section(signed(d)), KEYED, False, MALFORMED),
    ("data after the signature", lambda d: signed(d) + b"[WIN7]\nurlcount=0\n", KEYED, False,
     MALFORMED),
    ("signed, read without a key", signed, UNKEYED, True, None),
    ("unsigned, read without a key", lambda d: d, UNKEYED, False, None),
)


class SignedConfigTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        exe_test.WORK.mkdir(parents=True, exist_ok=True)
        OTHER_KEY.unlink(missing_ok=True)
        made = sign_config("--new-key", OTHER_KEY)
        assert made.returncode == 0, made.stderr

    def start(self, exe, host):
        # exe_test's Program starts the module's EXE, from the build folder either way.
        exe_test.EXE = exe
        program = exe_test.Program(host)
        self.cleanups.append(program.kill)
        return program

    def test_only_a_document_the_key_signed_configures_the_keyed_program(self):
        for name, make, exe, valid, refusal in CASES:
            with self.subTest(name):
                self.cleanups = []
                try:
                    self.run_case(make, exe, valid, refusal)
                finally:
                    for cleanup in reversed(self.cleanups):
                        cleanup()

    def run_case(self, make, exe, valid, refusal):
        server = exe_test.Server()
        self.cleanups.append(server.stop)
        document_path = server.root / "kestrin_1_0.ini"
        document_path.write_bytes(make(document_path.read_bytes()))

        checked = sign_config("--check", TEST_PUBLIC, document_path)
        self.assertEqual(checked.returncode, 0 if valid else 1, checked.stdout)

        program = self.start(exe, server.host)
        if refusal is None:
            exe_test.wait_for_main_window()
            exe_test.quit_from_tray()
        else:
            probe = exe_test.wine(str(exe_test.TOOLS / "msgbox_probe.exe"), "抱歉", "30000",
                                  capture=True)
            self.assertEqual(probe.returncode, 0, probe.stdout)
            lines = dict(line.split(" ", 1) for line in probe.stdout.splitlines() if " " in line)
            self.assertEqual(lines["TEXT"], REFUSAL)
            self.assertEqual(lines["OTHER_WINDOW"], "0", "a window besides the message box")
        self.assertEqual(program.wait(), 0)
        paths = [(r["method"], r["path"]) for r in server.requests()]
        self.assertEqual(paths, [("GET", "/kestrin_1_0.ini")], "only the document was asked for")
        if refusal is not None:
            log = (exe_test.BUILD / "debug.log").read_bytes().decode("gbk")
            self.assertEqual(log, refusal + "\r\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
