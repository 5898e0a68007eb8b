#!/usr/bin/env python3
"""Loopback HTTP server for the tests: serves files with HEAD, Content-Length and byte ranges,
and misbehaves on request.

A resource is a file under the document root (/NAME) or a body given in the address
(/__echo?body=TEXT). The query parameter `mode` picks how it is served (or, for an address
without one, the query in the file NAME.query beside the resource); each mode is one
function in MODES, taking the request handler, the resource bytes and the query parameters.
Control addresses: /__requests (the log of requests as JSON), /__reset (clears the log).

Prints "PORT <n>" on its first line once it listens.
"""
import argparse
import json
import socketserver
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path
from urllib.parse import parse_qs, unquote_to_bytes, urlsplit

LOG = []
LOG_LOCK = threading.Lock()


def parse_range(header, size):
    """(start, end) inclusive for a single "bytes=a-b" or "bytes=a-" range; None if absent;
    'invalid' if it cannot be satisfied."""
    if not header:
        return None
    if not header.startswith("bytes=") or "," in header:
        return "invalid"
    first, _, last = header[6:].partition("-")
    try:
        if first == "":
            length = int(last)
            start, end = max(0, size - length), size - 1
        else:
            start = int(first)
            end = int(last) if last else size - 1
    except ValueError:
        return "invalid"
    if start >= size or end < start:
        return "invalid"
    return start, min(end, size - 1)


def send_body(req, data, piece=None, delay=0.0):
    """Writes `data`, in pieces of `piece` bytes with a pause after each when asked."""
    if req.command == "HEAD":
        return
    if not piece:
        req.wfile.write(data)
        note_sent(req, len(data))
        return
    for i in range(0, len(data), piece):
        req.wfile.write(data[i:i + piece])
        req.wfile.flush()
        note_sent(req, len(data[i:i + piece]))
        if delay:
            time.sleep(delay)


def note_sent(req, count):
    """Counts body bytes handed to the connection, for the log."""
    with LOG_LOCK:
        req.log_entry["sent"] += count


def param(params, name, default, kind=int):
    return kind(params[name][0]) if name in params else default


def serve_normal(req, data, params, piece=None, delay=0.0):
    size = len(data)
    rng = parse_range(req.headers.get("Range"), size)
    if rng == "invalid":
        req.send_response(416)
        req.send_header("Content-Range", f"bytes */{size}")
        req.send_header("Content-Length", "0")
        req.end_headers()
        return
    if rng is None:
        req.send_response(200)
        start, end = 0, size - 1
    else:
        start, end = rng
        req.send_response(206)
        req.send_header("Content-Range", f"bytes {start}-{end}/{size}")
    req.send_header("Accept-Ranges", "bytes")
    req.send_header("Content-Type", "application/octet-stream")
    req.send_header("Content-Length", str(end - start + 1))
    req.end_headers()
    send_body(req, data[start:end + 1], piece, delay)


def mode_pieces(req, data, params):
    """Normal answers, the body written in small pieces (`size` bytes, `delay_ms` apart)."""
    serve_normal(req, data, params, piece=param(params, "size", 1),
                 delay=param(params, "delay_ms", 0) / 1000.0)


def mode_flip(req, data, params):
    """Normal answers of the right length with one byte wrong: the byte at `at` (default the
    middle) inverted, as a broken or hostile mirror would send."""
    at = param(params, "at", len(data) // 2)
    flipped = bytearray(data)
    flipped[at] ^= 0xFF
    serve_normal(req, memoryview(flipped), params)


def mode_status(req, data, params):
    """An error status (`code`, default 404) with an HTML page as body."""
    code = param(params, "code", 404)
    page = (f"<html><head><title>{code}</title></head><body><h1>Error {code}</h1>"
            "<p>The requested resource is not available.</p></body></html>").encode()
    req.send_response(code)
    req.send_header("Content-Type", "text/html")
    req.send_header("Content-Length", str(len(page)))
    req.end_headers()
    send_body(req, page)


def mode_close(req, data, params):
    """Closes the connection without answering."""
    req.close_connection = True


def mode_stall(req, data, params):
    """Normal headers, then `after` bytes of the body, then nothing while the client stays."""
    size = len(data)
    rng = parse_range(req.headers.get("Range"), size)
    start = 0 if rng in (None, "invalid") else rng[0]
    if rng is None or rng == "invalid":
        req.send_response(200)
    else:
        req.send_response(206)
        req.send_header("Content-Range", f"bytes {start}-{size - 1}/{size}")
    req.send_header("Content-Length", str(size - start))
    req.end_headers()
    if req.command == "HEAD":
        return
    req.wfile.write(data[start:start + param(params, "after", 0)])
    req.wfile.flush()
    time.sleep(param(params, "seconds", 60))
    req.close_connection = True


def mode_drop(req, data, params):
    """Announces the whole answer, sends `after` bytes of it and closes the connection."""
    size = len(data)
    rng = parse_range(req.headers.get("Range"), size)
    start = 0 if rng in (None, "invalid") else rng[0]
    if rng is None or rng == "invalid":
        req.send_response(200)
    else:
        req.send_response(206)
        req.send_header("Content-Range", f"bytes {start}-{size - 1}/{size}")
    req.send_header("Content-Length", str(size - start))
    req.end_headers()
    if req.command != "HEAD":
        req.wfile.write(data[start:start + param(params, "after", 0)])
        req.wfile.flush()
    req.close_connection = True


def mode_norange(req, data, params):
    """Ignores Range: always 200 with the whole body, as servers without range support do."""
    req.send_response(200)
    req.send_header("Content-Length", str(len(data)))
    req.end_headers()
    send_body(req, data)


def mode_wrongstart(req, data, params):
    """Answers a range request with 206 and the bytes from `by` (default 1) past the asked
    start, as a broken server or cache does; a request without a range is served normally."""
    size = len(data)
    rng = parse_range(req.headers.get("Range"), size)
    if rng is None or rng == "invalid":
        serve_normal(req, data, params)
        return
    start = min(rng[0] + param(params, "by", 1), size - 1)
    end = rng[1]
    req.send_response(206)
    req.send_header("Content-Range", f"bytes {start}-{end}/{size}")
    req.send_header("Content-Length", str(end - start + 1))
    req.end_headers()
    send_body(req, data[start:end + 1])


def mode_cutrange(req, data, params):
    """Serves normally, except that the first `times` (default 2) range requests for this
    address that start past byte 0 are cut after `after` bytes (default 65536): the connection
    is dropped in the middle of the range."""
    size = len(data)
    rng = parse_range(req.headers.get("Range"), size)
    with LOG_LOCK:
        earlier = sum(1 for entry in LOG if entry["path"] == req.path and entry["cut"])
        cut = (rng not in (None, "invalid") and rng[0] > 0 and req.command == "GET" and
               earlier < param(params, "times", 2))
        req.log_entry["cut"] = cut
    if not cut:
        serve_normal(req, data, params)
        return
    start, end = rng
    req.send_response(206)
    req.send_header("Content-Range", f"bytes {start}-{end}/{size}")
    req.send_header("Content-Length", str(end - start + 1))
    req.end_headers()
    req.wfile.write(data[start:start + param(params, "after", 65536)])
    req.wfile.flush()
    req.close_connection = True


def mode_status_get(req, data, params):
    """A normal HEAD; every GET gets an error status (`code`) with an HTML page."""
    if req.command == "HEAD":
        serve_normal(req, data, params)
    else:
        mode_status(req, data, params)


def mode_redirect(req, data, params):
    """A chain of `hops` redirects, then the resource served normally."""
    hops = param(params, "hops", 1)
    if hops <= 0:
        serve_normal(req, data, params)
        return
    path = urlsplit(req.path).path
    req.send_response(302)
    req.send_header("Location", f"{path}?mode=redirect&hops={hops - 1}")
    req.send_header("Content-Length", "0")
    req.end_headers()


def mode_wronglength(req, data, params):
    """HEAD announces `size` bytes; GET serves the file as it is."""
    if req.command == "HEAD":
        req.send_response(200)
        req.send_header("Content-Length", str(param(params, "size", len(data))))
        req.end_headers()
    else:
        serve_normal(req, data, params)


def mode_nolength(req, data, params):
    """No Content-Length: the body runs until the connection closes."""
    req.send_response(200)
    req.end_headers()
    send_body(req, data)
    req.close_connection = True


def mode_silent(req, data, params):
    """Accepts the request and answers nothing for `seconds`, HEAD included."""
    time.sleep(param(params, "seconds", 30))
    req.close_connection = True


def mode_late_silent(req, data, params):
    """Normal answers to the first `answers` requests for this address, silent ones after."""
    with LOG_LOCK:
        seen = sum(1 for entry in LOG if entry["path"] == req.path)
    if seen > param(params, "answers", 1):
        mode_silent(req, data, params)
    else:
        serve_normal(req, data, params)


def mode_endless(req, data, params):
    """The resource over and over without end, with no length, as fast as it is read; or, with
    `delay_ms`, one byte of it at a time that far apart. Ends when the client goes away."""
    req.send_response(200)
    req.send_header("Content-Type", "text/html")
    req.end_headers()
    req.close_connection = True
    if req.command == "HEAD":
        return
    chunk = bytes(data) or b"x"
    delay = param(params, "delay_ms", 0) / 1000.0
    try:
        while True:
            if delay:
                for i in range(len(chunk)):
                    req.wfile.write(chunk[i:i + 1])
                    req.wfile.flush()
                    time.sleep(delay)
            else:
                req.wfile.write(chunk * max(1, 65536 // len(chunk)))
    except OSError:
        pass


MODES = {
    "normal": serve_normal,
    "pieces": mode_pieces,
    "flip": mode_flip,
    "status": mode_status,
    "close": mode_close,
    "stall": mode_stall,
    "drop": mode_drop,
    "norange": mode_norange,
    "wrongstart": mode_wrongstart,
    "cutrange": mode_cutrange,
    "status_get": mode_status_get,
    "redirect": mode_redirect,
    "wronglength": mode_wronglength,
    "nolength": mode_nolength,
    "silent": mode_silent,
    "late_silent": mode_late_silent,
    "endless": mode_endless,
}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    docroot = Path(".")

    def log_message(self, fmt, *args):
        pass

    def do_HEAD(self):
        self.handle_any()

    def do_GET(self):
        self.handle_any()

    def handle_any(self):
        url = urlsplit(self.path)
        params = parse_qs(url.query, keep_blank_values=True)
        if url.path == "/__requests":
            with LOG_LOCK:
                self.reply_json(LOG)
            return
        if url.path == "/__reset":
            with LOG_LOCK:
                LOG.clear()
            self.reply_json([])
            return
        with LOG_LOCK:
            LOG.append({"method": self.command, "path": self.path,
                        "range": self.headers.get("Range"),
                        "user_agent": self.headers.get("User-Agent"),
                        "referer": self.headers.get("Referer"),
                        "cut": False, "started": time.time(), "ended": None,
                        "sent": 0})
            entry = self.log_entry = LOG[-1]
        data = self.resource(url, params)
        if "mode" not in params:
            params.update(self.standing_query(url))
        if data is None:
            mode_status(self, b"", {"code": ["404"]})
            return
        mode = MODES.get(param(params, "mode", "normal", str))
        if mode is None:
            mode_status(self, b"", {"code": ["400"]})
            return
        try:
            mode(self, memoryview(data), params)
        finally:
            # When the answer ended, its bytes sent or the client gone: a test that kills the
            # client tells the ranges then in flight from those already delivered.
            with LOG_LOCK:
                entry["ended"] = time.time()

    def resource(self, url, params):
        if url.path == "/__echo":
            # Raw bytes, so that 8-bit text arrives exactly as the test wrote it.
            raw = url.query.split("body=", 1)[1].split("&", 1)[0] if "body=" in url.query else ""
            return unquote_to_bytes(raw.replace("+", " "))
        name = unquote_to_bytes(url.path.lstrip("/")).decode("utf-8", "replace")
        path = (self.docroot / name).resolve()
        if self.docroot.resolve() in path.parents and path.is_file():
            return path.read_bytes()
        return None

    def standing_query(self, url):
        """The query of NAME.query beside a resource, for an address the client itself makes
        (the configuration document's) and so cannot carry a mode."""
        name = unquote_to_bytes(url.path.lstrip("/")).decode("utf-8", "replace") + ".query"
        path = (self.docroot / name).resolve()
        if self.docroot.resolve() in path.parents and path.is_file():
            return parse_qs(path.read_text().strip(), keep_blank_values=True)
        return {}

    def reply_json(self, value):
        body = json.dumps(value).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # A client that goes away in the middle of an answer is what many tests do on purpose.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--docroot", default=".")
    args = parser.parse_args()
    Handler.docroot = Path(args.docroot)
    server = Server(("127.0.0.1", args.port), Handler)
    print(f"PORT {server.server_address[1]}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
