#!/usr/bin/env bash
# Signs the configuration document with the operator's Ed25519 key, in the form the program
# checks (base/SignedDocument.h): the document's bytes, ending in a line end, then a last section
#
#   [SIGNATURE]
#   ed25519=<128 hex digits>
#
# which a program without a key reads as one more section it never asks for.
#
#   sign-config.sh --new-key KEYFILE         makes a key, KEYFILE readable by its owner alone, and
#                                            prints its public half (64 hex digits), the value of
#                                            QUORRIN_CONFIG_KEY for the release build
#   sign-config.sh KEYFILE DOCUMENT          prints DOCUMENT signed with the key on stdout
#   sign-config.sh --check PUBLIC_HEX SIGNED says whether SIGNED carries a valid signature of
#                                            that key: exit 0 valid, 1 invalid
#
# Exit 2 on a usage error. KEYFILE holds the key's 32-byte seed as 64 hex digits on one line: keep
# it off the servers; whoever has it can send every user a configuration of their own.
set -euo pipefail

program=$(
  cat <<'PYTHON'
import os
import re
import sys

import nacl.exceptions
import nacl.signing

USAGE = """usage: sign-config.sh --new-key KEYFILE
       sign-config.sh KEYFILE DOCUMENT
       sign-config.sh --check PUBLIC_HEX SIGNED"""
# A line that starts with the section's name, anywhere in the document.
SECTION_LINE = re.compile(rb"^\[SIGNATURE\]", re.MULTILINE)
# The one section from its name to the end of the document.
SECTION = re.compile(rb"\[SIGNATURE\]\r?\ned25519=([0-9A-Fa-f]{128})(?:\r?\n)?")
HEX_KEY = re.compile(r"[0-9A-Fa-f]{64}")


def fail(message, code=1):
    print(f"sign-config: {message}", file=sys.stderr)
    sys.exit(code)


def new_key(path):
    try:
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    except FileExistsError:
        fail(f"{path} exists; a key is never overwritten")
    except OSError as error:
        fail(f"cannot create {path}: {error.strerror}")
    key = nacl.signing.SigningKey.generate()
    with os.fdopen(fd, "w") as out:
        os.fchmod(out.fileno(), 0o600)
        out.write(bytes(key).hex() + "\n")
    print(bytes(key.verify_key).hex())


def read_key(path):
    try:
        with open(path) as file:
            text = file.read().strip()
    except OSError as error:
        fail(f"cannot read the key {path}: {error.strerror}")
    if not HEX_KEY.fullmatch(text):
        fail(f"{path} is not a key made by --new-key (64 hex digits)")
    return nacl.signing.SigningKey(bytes.fromhex(text))


def read_document(path):
    try:
        with open(path, "rb") as file:
            return file.read()
    except OSError as error:
        fail(f"cannot read {path}: {error.strerror}")


def sign(key_path, document_path):
    key = read_key(key_path)
    body = read_document(document_path)
    if SECTION_LINE.search(body):
        fail(f"{document_path} already has a line starting with [SIGNATURE]: sign the document "
             "without it")
    # The section must start a line of its own, and the line end that makes it so is signed too.
    line_end = b"\r\n" if body.endswith(b"\r\n") or not body.endswith(b"\n") else b"\n"
    if body and not body.endswith(b"\n"):
        body += line_end
    signature = key.sign(body).signature.hex().encode()
    sys.stdout.buffer.write(body + b"[SIGNATURE]" + line_end + b"ed25519=" + signature + line_end)


def check(public_hex, signed_path):
    if not HEX_KEY.fullmatch(public_hex):
        fail(f"the public key must be 64 hex digits, not {public_hex!r}", 2)
    document = read_document(signed_path)
    starts = [m.start() for m in SECTION_LINE.finditer(document)]
    if not starts:
        print("invalid: no signature section")
        return 1
    if len(starts) > 1:
        print("invalid: more than one signature section")
        return 1
    found = SECTION.fullmatch(document, starts[0])
    if not found:
        print("invalid: the signature section is malformed")
        return 1
    body = document[:starts[0]]
    try:
        nacl.signing.VerifyKey(bytes.fromhex(public_hex)).verify(body, bytes.fromhex(found[1].decode()))
    except nacl.exceptions.BadSignatureError:
        print("invalid: the signature does not match the document and the key")
        return 1
    print("valid")
    return 0


def main(args):
    if len(args) == 2 and args[0] == "--new-key":
        new_key(args[1])
        return 0
    if len(args) == 3 and args[0] == "--check":
        return check(args[1], args[2])
    if len(args) == 2 and not args[0].startswith("--"):
        sign(args[0], args[1])
        return 0
    fail(USAGE, 2)


sys.exit(main(sys.argv[1:]))
PYTHON
)
# Debian's Python, which has PyNaCl (python3-nacl); another python3 earlier on PATH may not.
exec /usr/bin/python3 -c "$program" "$@"
