#!/usr/bin/env python3
"""Scripted HTTP(S) server for the launcher's tests; 127.0.0.1 only.

Two listeners: the route port (HTTP, or HTTPS with --https) that the code
under test talks to, and a plain-HTTP control port for the test itself.
Both ports go to --port-file as {"port": P, "control": C}, written atomically
once listening; the file is removed again when the server stops.

Control port:
  POST /__routes    JSON object {path: route}; adds or replaces those routes
                    and restarts their response sequences
  GET  /__hits      {path: hits} for every path requested on the route port
  GET  /__requests  every request in arrival order: method, target, path,
                    headers ([name, value] pairs), body_base64
  GET  /__stats     {"connections": N}: connections the route port accepted
  POST /__reset     forgets routes, hits and requests
  POST /__quit      stops the server
  GET  /__lifeline  held open by the owner; the server stops when it closes

A path ending in "*" matches by prefix (the longest prefix wins); others
match the path without its query. A route is one response object or
{"responses": [...]}: one response per hit, the last one repeating.
Response keys (all optional):
  status          default 200 (302 with redirect)
  headers         {name: value}; given names replace the automatic ones
  body            text (UTF-8)
  body_base64     bytes
  file            a file to serve, read at request time
  dir             with a prefix route: the folder the rest of the path names
  generate        N bytes, byte i being i % 251
  redirect        Location value
  delay_ms        wait before the status line
  content_length  declared length instead of the real one; null omits it
  truncate_at     send only this many body bytes, then close
  extra_bytes     send this many bytes beyond the body, then close
  stall_after     after this many body bytes, hang for stall_ms (or, without
  stall_ms        it, until the client goes away), then send the rest
  chunk_size      body write size (default 65536)
  chunk_delay_ms  pause between body writes
  chunked         Transfer-Encoding: chunked
  ranges          honour "Range: bytes=a-b" with 206 / 416
  close           Connection: close after this response
File and dir paths may be host paths or DOS paths ("C:\\...", "Z:\\...");
the latter are found through $WINEPREFIX/dosdevices.

The server stops on /__quit, when its lifeline closes (or none was opened
within --lifeline-wait seconds), or after --max-seconds, whichever is first:
under Wine its parent is not a Unix parent, so the lifeline is what tells it
that the test binary went away.
"""

import argparse
import base64
import http
import json
import os
import re
import select
import shutil
import socket
import ssl
import subprocess
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

RESPONSE_KEYS = {
    "status", "headers", "body", "body_base64", "file", "dir", "generate", "redirect",
    "delay_ms", "content_length", "truncate_at", "extra_bytes", "stall_after", "stall_ms",
    "chunk_size", "chunk_delay_ms", "chunked", "ranges", "close",
}
BODY_KEYS = ("body", "body_base64", "file", "dir", "generate")
MAX_RECORDED_BODY = 1 << 20
WAIT_STEP = 0.05

stop_event = threading.Event()


class RouteError(ValueError):
    pass


def generated_bytes(start, count):
    pattern = bytes(range(251))
    first = start % 251
    repeats = (first + count) // 251 + 1
    return (pattern * repeats)[first:first + count]


def dos_to_host(path):
    """Maps a DOS path of the Wine prefix to the host path; others pass."""
    match = re.match(r"^([A-Za-z]):[\\/](.*)$", path)
    if not match:
        return path
    prefix = os.environ.get("WINEPREFIX") or os.path.expanduser("~/.wine")
    device = os.path.join(prefix, "dosdevices", match.group(1).lower() + ":")
    return os.path.join(device, *re.split(r"[\\/]+", match.group(2)))


def check_response(response):
    if not isinstance(response, dict):
        raise RouteError("a response must be an object")
    unknown = set(response) - RESPONSE_KEYS
    if unknown:
        raise RouteError("unknown response keys: " + ", ".join(sorted(unknown)))
    if sum(1 for key in BODY_KEYS if key in response) > 1:
        raise RouteError("a response has at most one of " + ", ".join(BODY_KEYS))
    if "body_base64" in response:
        try:
            base64.b64decode(response["body_base64"], validate=True)
        except ValueError as error:
            raise RouteError("body_base64: %s" % error)


def parse_route(route):
    if isinstance(route, dict) and "responses" in route:
        if set(route) != {"responses"}:
            raise RouteError("a route with responses has no other keys")
        responses = route["responses"]
        if not isinstance(responses, list) or not responses:
            raise RouteError("responses must be a non-empty list")
    else:
        responses = [route]
    for response in responses:
        check_response(response)
    return {"responses": responses, "next": 0}


class State:
    """Routes, hit counters and the request log, shared by all handler threads."""

    def __init__(self):
        self.lock = threading.Lock()
        self.routes = {}
        self.hits = {}
        self.requests = []
        self.connections = 0

    def set_routes(self, table):
        if not isinstance(table, dict):
            raise RouteError("the routes must be a JSON object")
        parsed = {path: parse_route(route) for path, route in table.items()}
        with self.lock:
            self.routes.update(parsed)

    def reset(self):
        with self.lock:
            self.routes.clear()
            self.hits.clear()
            self.requests.clear()

    def take_response(self, path):
        """Counts the hit and returns (route key, response) or (None, None)."""
        with self.lock:
            self.hits[path] = self.hits.get(path, 0) + 1
            key = path if path in self.routes else None
            if key is None:
                prefixes = [k for k in self.routes if k.endswith("*") and path.startswith(k[:-1])]
                key = max(prefixes, key=len) if prefixes else None
            if key is None:
                return None, None
            route = self.routes[key]
            responses = route["responses"]
            response = responses[min(route["next"], len(responses) - 1)]
            route["next"] += 1
            return key, response

    def record(self, entry):
        with self.lock:
            self.requests.append(entry)


state = State()


def wait_or_stop(seconds, connection=None):
    """Waits; returns False early when the server stops or the client leaves."""
    deadline = None if seconds is None else time.monotonic() + seconds
    while not stop_event.is_set():
        step = WAIT_STEP if deadline is None else min(WAIT_STEP, deadline - time.monotonic())
        if step <= 0:
            return True
        if connection is not None and client_gone(connection, step):
            return False
        elif connection is None:
            time.sleep(step)
    return False


def client_gone(connection, timeout):
    # Mid-response a client sends nothing unless it is leaving: end of
    # stream, a reset, or (under TLS) its close_notify alert.
    try:
        readable, _, _ = select.select([connection], [], [], timeout)
        return bool(readable)
    except (OSError, ValueError):
        return True


class RouteHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True
    server_version = "QuorvelTestServer/1"

    def log_message(self, format, *args):
        sys.stderr.write("%s %s\n" % (self.log_date_time_string(), format % args))

    def setup(self):
        super().setup()
        with state.lock:
            state.connections += 1

    def do_GET(self):
        self.serve()

    def do_HEAD(self):
        self.serve()

    def do_POST(self):
        self.serve()

    def do_PUT(self):
        self.serve()

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def serve(self):
        body = self.read_body()
        path = self.path.split("?", 1)[0]
        state.record({
            "method": self.command,
            "target": self.path,
            "path": path,
            "headers": [[name, value] for name, value in self.headers.items()],
            "body_base64": base64.b64encode(body[:MAX_RECORDED_BODY]).decode("ascii"),
        })
        key, response = state.take_response(path)
        if response is None:
            response = {"status": 404, "body": "no route for %s\n" % path}
        try:
            self.send_scripted(key, path, response)
        except (ConnectionError, BrokenPipeError, ssl.SSLError, socket.timeout):
            self.close_connection = True

    def body_source(self, key, path, response):
        """Returns the body bytes, or None and a 404 text when a file is missing."""
        if "body" in response:
            return str(response["body"]).encode("utf-8")
        if "body_base64" in response:
            return base64.b64decode(response["body_base64"])
        if "generate" in response:
            return generated_bytes(0, int(response["generate"]))
        name = None
        if "file" in response:
            name = dos_to_host(response["file"])
        elif "dir" in response:
            rest = path[len(key) - 1:] if key and key.endswith("*") else os.path.basename(path)
            parts = [part for part in rest.split("/") if part not in ("", ".", "..")]
            name = os.path.join(dos_to_host(response["dir"]), *parts)
        if name is None:
            return b""
        try:
            with open(name, "rb") as source:
                return source.read()
        except OSError:
            return None

    def send_scripted(self, key, path, response):
        if response.get("delay_ms"):
            if not wait_or_stop(response["delay_ms"] / 1000.0, self.connection):
                self.close_connection = True
                return
        status = int(response.get("status", 302 if "redirect" in response else 200))
        headers = dict(response.get("headers") or {})
        body = self.body_source(key, path, response)
        if body is None:
            status, body, headers = 404, b"missing file\n", {}
        if "redirect" in response:
            headers.setdefault("Location", response["redirect"])
        start, status = self.apply_range(response, body, status, headers)
        if status == 416:
            body = b""
        elif start is not None:
            body = body[start[0]:start[1] + 1]

        chunked = bool(response.get("chunked"))
        closing = bool(response.get("close")) or "truncate_at" in response or "extra_bytes" in response
        names = {name.lower() for name in headers}
        if chunked:
            headers.setdefault("Transfer-Encoding", "chunked")
        elif "content-length" not in names:
            declared = response.get("content_length", len(body))
            if declared is None:
                closing = True
            else:
                headers["Content-Length"] = str(declared)
        if "content-type" not in names:
            headers["Content-Type"] = "application/octet-stream"
        if closing:
            headers["Connection"] = "close"
            self.close_connection = True

        try:
            phrase = http.HTTPStatus(status).phrase
        except ValueError:
            phrase = "Scripted"
        head = "HTTP/1.1 %d %s\r\n" % (status, phrase)
        head += "".join("%s: %s\r\n" % (name, value) for name, value in headers.items())
        self.wfile.write((head + "\r\n").encode("latin-1"))
        self.wfile.flush()
        if self.command == "HEAD":
            return

        if "truncate_at" in response:
            body = body[:int(response["truncate_at"])]
        if "extra_bytes" in response:
            body = body + generated_bytes(len(body), int(response["extra_bytes"]))
        if not self.send_body(body, response, chunked):
            self.close_connection = True
            return
        if chunked:
            self.wfile.write(b"0\r\n\r\n")
            self.wfile.flush()

    def apply_range(self, response, body, status, headers):
        """Returns ((first, last) or None, status) for a ranged route."""
        if not response.get("ranges") or status != 200:
            return None, status
        headers.setdefault("Accept-Ranges", "bytes")
        wanted = self.headers.get("Range")
        if not wanted:
            return None, status
        match = re.match(r"^bytes=(\d*)-(\d*)$", wanted.strip())
        size = len(body)
        if match and (match.group(1) or match.group(2)):
            if match.group(1):
                first = int(match.group(1))
                last = int(match.group(2)) if match.group(2) else size - 1
            else:
                first, last = max(0, size - int(match.group(2))), size - 1
            last = min(last, size - 1)
            if first <= last:
                headers["Content-Range"] = "bytes %d-%d/%d" % (first, last, size)
                return (first, last), 206
        headers["Content-Range"] = "bytes */%d" % size
        return None, 416

    def send_body(self, body, response, chunked):
        """Writes the body in paced blocks; False when the exchange was cut."""
        size = max(1, int(response.get("chunk_size", 65536)))
        pause = response.get("chunk_delay_ms", 0) / 1000.0
        stall_at = response.get("stall_after")
        offset = 0
        while offset < len(body) or (stall_at is not None and offset == stall_at):
            if stall_at is not None and offset == stall_at:
                stall_at = None
                seconds = response["stall_ms"] / 1000.0 if "stall_ms" in response else None
                if not wait_or_stop(seconds, self.connection):
                    return False
                continue
            end = min(len(body), offset + size)
            if stall_at is not None and offset < stall_at < end:
                end = stall_at
            block = body[offset:end]
            if chunked:
                block = b"%x\r\n" % len(block) + block + b"\r\n"
            self.wfile.write(block)
            self.wfile.flush()
            offset = end
            if pause and offset < len(body) and not wait_or_stop(pause, self.connection):
                return False
        return True


class ControlHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True

    def log_message(self, format, *args):
        sys.stderr.write("control %s\n" % (format % args))

    def reply(self, status, payload):
        data = json.dumps(payload).encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)
        self.wfile.flush()

    def do_GET(self):
        if self.path == "/__hits":
            with state.lock:
                payload = dict(state.hits)
            self.reply(200, payload)
        elif self.path == "/__requests":
            with state.lock:
                payload = list(state.requests)
            self.reply(200, payload)
        elif self.path == "/__stats":
            with state.lock:
                payload = {"connections": state.connections}
            self.reply(200, payload)
        elif self.path == "/__lifeline":
            self.hold_lifeline()
        else:
            self.reply(404, {"error": "unknown control path " + self.path})

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        if self.path == "/__routes":
            try:
                state.set_routes(json.loads(body.decode("utf-8")))
            except (ValueError, RouteError) as error:
                self.reply(400, {"error": str(error)})
                return
            self.reply(200, {"ok": True})
        elif self.path == "/__reset":
            state.reset()
            self.reply(200, {"ok": True})
        elif self.path == "/__quit":
            self.reply(200, {"ok": True})
            stop_event.set()
        else:
            self.reply(404, {"error": "unknown control path " + self.path})

    def hold_lifeline(self):
        self.server.lifeline_seen.set()
        self.reply(200, {"ok": True})
        try:
            while not stop_event.is_set():
                readable, _, _ = select.select([self.connection], [], [], 0.2)
                if readable and not self.connection.recv(4096):
                    break
        except OSError:
            pass
        sys.stderr.write("lifeline closed: stopping\n")
        stop_event.set()
        self.close_connection = True


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = False

    def __init__(self, handler, tls_context=None):
        super().__init__(("127.0.0.1", 0), handler)
        self.tls_context = tls_context
        self.lifeline_seen = threading.Event()

    def finish_request(self, request, client_address):
        # The handshake runs here, in the connection's own thread, so one slow
        # client cannot hold up the accept loop.
        if self.tls_context is not None:
            request.settimeout(30)
            try:
                request = self.tls_context.wrap_socket(request, server_side=True)
            except (OSError, ssl.SSLError) as error:
                sys.stderr.write("TLS handshake failed: %s\n" % error)
                return
            request.settimeout(None)
        super().finish_request(request, client_address)


def make_tls_context(folder):
    """The server's certificate is signed by a CA of its own (ca.pem); a
    second, unrelated CA (other-ca.pem) did not sign it. Tests that hand
    libcurl one of them as its trusted roots see its verification pass or
    fail. The names list 127.0.0.1 as a DNS name too, since Schannel's host
    check compares names only."""
    os.makedirs(folder, exist_ok=True)
    openssl = shutil.which("openssl") or "/usr/bin/openssl"

    def run(*args):
        subprocess.run([openssl] + list(args), check=True, timeout=60, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)

    def path(name):
        return os.path.join(folder, name)

    for ca in ("ca", "other-ca"):
        run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", path(ca + ".key"), "-out", path(ca + ".pem"),
            "-days", "2", "-subj", "/CN=Quorvel test " + ca)
    with open(path("server.ext"), "w") as ext:
        ext.write("subjectAltName=DNS:127.0.0.1,IP:127.0.0.1,DNS:localhost\n"
                  "basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n")
    run("req", "-newkey", "rsa:2048", "-nodes", "-keyout", path("key.pem"), "-out", path("server.csr"),
        "-subj", "/CN=127.0.0.1")
    run("x509", "-req", "-in", path("server.csr"), "-CA", path("ca.pem"), "-CAkey", path("ca.key"),
        "-set_serial", "1", "-days", "2", "-extfile", path("server.ext"), "-out", path("cert.pem"))
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(path("cert.pem"), path("key.pem"))
    return context


def detach_stdio(log_path):
    # Under ctest the inherited descriptors are ctest's output pipe; holding
    # them would keep ctest waiting for as long as this server lives.
    log = os.open(log_path or os.devnull, os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o644)
    null = os.open(os.devnull, os.O_RDONLY)
    os.dup2(null, 0)
    os.dup2(log, 1)
    os.dup2(log, 2)
    os.closerange(3, 4096)
    sys.stdout = os.fdopen(1, "w", buffering=1, closefd=False)
    sys.stderr = os.fdopen(2, "w", buffering=1, closefd=False)


def write_port_file(path, ports):
    temporary = path + ".tmp"
    with open(temporary, "w") as out:
        json.dump(ports, out)
    os.replace(temporary, path)


def serve_in_thread(server):
    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1}, daemon=True)
    thread.start()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log")
    parser.add_argument("--work-dir", help="where the HTTPS certificate is made")
    parser.add_argument("--https", action="store_true")
    parser.add_argument("--max-seconds", type=float, default=600)
    parser.add_argument("--lifeline-wait", type=float, default=30,
                        help="stop unless a lifeline opens within this time; 0 means never required")
    args = parser.parse_args()
    started = time.monotonic()
    detach_stdio(args.log)

    tls = None
    if args.https:
        tls = make_tls_context(args.work_dir or os.path.join("/tmp", "quorvel-https-%d" % os.getpid()))
    routes = Server(RouteHandler, tls)
    control = Server(ControlHandler)
    serve_in_thread(routes)
    serve_in_thread(control)
    write_port_file(args.port_file, {"port": routes.server_address[1], "control": control.server_address[1],
                                     "https": bool(args.https), "pid": os.getpid()})
    sys.stderr.write("listening on %d (control %d)\n" % (routes.server_address[1], control.server_address[1]))

    while not stop_event.wait(0.2):
        elapsed = time.monotonic() - started
        if elapsed > args.max_seconds:
            sys.stderr.write("time limit reached: stopping\n")
            break
        if args.lifeline_wait and elapsed > args.lifeline_wait and not control.lifeline_seen.is_set():
            sys.stderr.write("no lifeline: stopping\n")
            break
    stop_event.set()
    for server in (routes, control):
        server.shutdown()
        server.server_close()
    try:
        os.remove(args.port_file)
    except OSError:
        pass
    sys.stderr.flush()
    os._exit(0)


if __name__ == "__main__":
    main()
