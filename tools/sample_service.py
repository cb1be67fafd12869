#!/usr/bin/env python3
"""A sample back-office service for Kestrion, bound to 127.0.0.1 (Python standard library only).

It answers the two queries the installer asks, on the default and the SERVICE_CENTER paths and
under an optional path prefix, and serves package files. For tests it misbehaves on request and
records every request it receives (control paths under /__control/ are not recorded).

Query endpoints (with "/<prefix>" in front when a prefix is set):
  POST /api/clientname/query, /transaction/api/retail/terminal/queryClientname
       -> {"code": 0, "data": <client name>}
  GET  /api/posinstall/query, /transaction/api/retail/terminal/posInstall
       -> {"code": 0, "data": {"pospackage": ..., "posversion": ..., "is_full": ...,
                               "sha256": ..., "size": ...}}
          (sha256 and size of the package file it points to, when this service serves it)
With --tls-cert it answers the same on a second port (--tls-port) over https, and serves the
revocation list ca.crl found beside the certificate as GET /tls/ca.crl (not recorded).
Files:
  GET /files/<name>            the file <name> of the --files folder, or the --package file
  GET /bytes/<N>[/<name>]      N bytes made on the fly: the byte at offset i is i % 251
Both answer "Range: bytes=<first>-[<last>]" with 206 and Content-Range (416 past the end),
unless an "If-Range" names another ETag or date; they send Accept-Ranges, ETag and
Last-Modified.
Control (JSON in, JSON out):
  POST /__control/config       merge settings and routes (see README)
  GET  /__control/config       the settings in force
  GET  /__control/requests     every recorded request, oldest first
  POST /__control/reset        back to the start-up settings, no routes, no record
"""

import argparse
import base64
import copy
import email.utils
import hashlib
import http.server
import io
import json
import os
import socket
import ssl
import sys
import threading
import time
import re
import urllib.parse
import zipfile

CLIENT_NAME_PATHS = ("api/clientname/query", "transaction/api/retail/terminal/queryClientname")
PACKAGE_PATHS = ("api/posinstall/query", "transaction/api/retail/terminal/posInstall")
CHUNK = 64 * 1024
PATTERN_PERIOD = 251
CUT_GRACE_S = 0.2


def folded(path):
    """The path with repeated slashes folded into one, as many servers match paths."""
    while "//" in path:
        path = path.replace("//", "/")
    return path


def pattern_bytes(offset, length):
    """The bytes of a generated file from `offset`: the byte at offset i is i % 251."""
    start = offset % PATTERN_PERIOD
    period = bytes(range(PATTERN_PERIOD))
    reps = (start + length) // PATTERN_PERIOD + 1
    return (period * reps)[start:start + length]


class Body:
    """A reply body that is streamed: in-memory bytes, a file on disk, or a generated pattern."""

    def __init__(self, data=None, path=None, generated=None):
        self.data, self.path, self.generated = data, path, generated

    def length(self):
        if self.data is not None:
            return len(self.data)
        if self.path is not None:
            return os.path.getsize(self.path)
        return self.generated

    def chunks(self, first=0, end=None):
        """The bytes from `first` up to `end` (exclusive; the whole length by default)."""
        end = self.length() if end is None else end
        if self.data is not None:
            for i in range(first, end, CHUNK):
                yield self.data[i:min(i + CHUNK, end)]
        elif self.path is not None:
            with open(self.path, "rb") as f:
                f.seek(first)
                left = end - first
                while left > 0:
                    block = f.read(min(CHUNK, left))
                    if not block:
                        return
                    left -= len(block)
                    yield block
        else:
            for offset in range(first, end, CHUNK):
                yield pattern_bytes(offset, min(CHUNK, end - offset))

    def etag(self):
        """A strong entity tag that changes when the content does."""
        if self.path is not None:
            st = os.stat(self.path)
            return '"%x-%x"' % (st.st_size, st.st_mtime_ns)
        if self.generated is not None:
            return '"gen-%d"' % self.generated
        return '"%s"' % hashlib.sha256(self.data).hexdigest()[:32]

    def last_modified(self):
        mtime = os.path.getmtime(self.path) if self.path is not None else 0
        return email.utils.formatdate(mtime, usegmt=True)

    def proof(self):
        """(sha256 as hex, size) of the content."""
        digest = hashlib.sha256()
        for block in self.chunks():
            digest.update(block)
        return digest.hexdigest(), self.length()


RANGE = re.compile(r"^bytes=(\d+)-(\d*)$")


def requested_range(headers, body):
    """What a Range header asks of `body`: None for the whole body, (first, end) for a part, or
    "unsatisfiable". An If-Range that names another ETag or date asks for the whole body."""
    value = headers.get("Range")
    if not value:
        return None
    match = RANGE.match(value.strip())
    if not match:
        return None
    condition = headers.get("If-Range")
    if condition is not None and condition.strip() not in (body.etag(), body.last_modified()):
        return None
    length = body.length()
    first = int(match.group(1))
    end = min(int(match.group(2)) + 1, length) if match.group(2) else length
    if first >= length or end <= first:
        return "unsatisfiable"
    return first, end


def encode_json(value, style="compact", ascii_only=False):
    if style == "compact":
        text = json.dumps(value, ensure_ascii=ascii_only, separators=(",", ":"))
    else:
        text = json.dumps(value, ensure_ascii=ascii_only, indent=3)
        if style == "crlf":
            text = text.replace("\n", "\r\n")
        text += "\r\n" if style == "crlf" else "\n"
    return text.encode("utf-8")


class State:
    """Settings, routes and the record of requests, shared by the handler threads."""

    def __init__(self, start):
        self.lock = threading.Lock()
        self.start = start
        self.reset()

    def reset(self):
        with self.lock:
            self.settings = copy.deepcopy(self.start)
            self.routes = {}
            self.requests = []

    def configure(self, change):
        with self.lock:
            for key, value in change.items():
                if key == "routes":
                    for path, route in value.items():
                        if route is None:
                            self.routes.pop(path, None)
                        else:
                            self.routes[path] = dict(route)
                elif key in self.settings:
                    self.settings[key] = value
                else:
                    raise ValueError("unknown setting: " + key)

    def snapshot(self):
        with self.lock:
            return dict(copy.deepcopy(self.settings), routes=copy.deepcopy(self.routes))

    def record(self, entry):
        with self.lock:
            self.requests.append(entry)

    def take_route(self, keys):
        """The route for the first matching key; a route with "times" wears out."""
        with self.lock:
            for key in keys:
                route = self.routes.get(key)
                if route is None:
                    continue
                if "times" in route:
                    route["times"] -= 1
                    if route["times"] <= 0:
                        del self.routes[key]
                return dict(route), copy.deepcopy(self.settings)
            return None, copy.deepcopy(self.settings)


class RecordingReader:
    """Wraps the request stream and keeps the bytes of the header lines as they are read."""

    def __init__(self, inner):
        self.inner, self.seen = inner, bytearray()

    def readline(self, *args):
        line = self.inner.readline(*args)
        self.seen += line
        return line

    def read(self, *args):
        return self.inner.read(*args)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "KestrionSampleService/1"

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("%s %s\n" % (self.log_date_time_string(), fmt % args))

    def parse_request(self):
        recorder = RecordingReader(self.rfile)
        self.rfile = recorder
        try:
            return super().parse_request()
        finally:
            self.rfile = recorder.inner
            self.raw_head = self.raw_requestline + bytes(recorder.seen)

    def handle_one_request(self):
        try:
            super().handle_one_request()
        except (ConnectionError, socket.timeout, ssl.SSLError):
            self.close_connection = True

    def do_GET(self):
        self.serve()

    do_POST = do_PUT = do_DELETE = do_HEAD = do_OPTIONS = do_PATCH = do_GET

    # ---- dispatch ---------------------------------------------------------------------------

    def serve(self):
        self.close_connection = True  # one exchange per connection: lying lengths stay harmless
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        split = urllib.parse.urlsplit(self.path)
        if split.path.startswith("/__control/"):
            return self.control(split.path[len("/__control/"):], body)
        if split.path == "/tls/ca.crl" and self.server.crl:
            return self.answer(split.path, {}, None, (200, Body(path=self.server.crl),
                                                      "application/pkix-crl"))
        state = self.server.state
        settings = state.snapshot()
        state.record({
            "scheme": self.server.scheme,
            "verb": self.command,
            "path": self.path,
            "version": self.request_version,
            "headers": [[k, v] for k, v in self.headers.items()],
            "body_length": len(body),
            "raw_head": self.raw_head.decode("latin-1"),
        })
        # A route is looked up by the path with its query, the path alone, then the query's name.
        keys = [self.path, split.path]
        endpoint = self.endpoint(folded(split.path), settings)
        if endpoint is not None:
            keys.append(endpoint[0])
        route, settings = state.take_route(keys)
        self.answer(folded(split.path), route or {}, settings)

    @staticmethod
    def endpoint(path, settings):
        """("clientname" | "package", verb) when `path` is a query endpoint under the prefix."""
        prefix = settings["prefix"]
        base = "/" + prefix + "/" if prefix else "/"
        if not path.startswith(base):
            return None
        rest = path[len(base):]
        if rest in CLIENT_NAME_PATHS:
            return "clientname", "POST"
        if rest in PACKAGE_PATHS:
            return "package", "GET"
        return None

    def natural(self, path, settings):
        """The status and body the service gives when no route changes them."""
        endpoint = self.endpoint(path, settings)
        if endpoint is not None:
            name, verb = endpoint
            if self.command != verb:
                return 405, Body(b"method not allowed\n"), "text/plain"
            if name == "clientname":
                reply = {"code": 0, "data": settings["client_name"]}
            else:
                reply = {"code": 0, "data": {"pospackage": self.package_url(settings),
                                             "posversion": settings["version"],
                                             "is_full": settings["is_full"]}}
                reply["data"].update(self.package_proof(settings))
            return 200, reply, "application/json;charset=UTF-8"
        if path.startswith("/files/"):
            name = urllib.parse.unquote(path[len("/files/"):])
            file = self.server.find_file(name)
            if file is not None:
                return 200, file, "application/zip"
        if path.startswith("/bytes/"):
            parts = path[len("/bytes/"):].split("/")
            if parts[0].isdigit() and len(parts) <= 2:
                return 200, Body(generated=int(parts[0])), "application/zip"
        return 404, Body(b"not found\n"), "text/plain"

    def package_proof(self, settings):
        """"sha256" and "size" of the package the reply points to: computed from the file when
        this service serves it, the settings' own values when they are set, left out when a
        setting is false."""
        proof = {}
        url = self.package_url(settings)
        base = "%s://127.0.0.1:%d/files/" % (self.server.scheme, self.server.server_port)
        file = None
        if url.startswith(base):
            file = self.server.find_file(urllib.parse.unquote(url[len(base):]))
        computed = self.server.proof_of(file) if file is not None else (None, None)
        for key, value in zip(("sha256", "size"), computed):
            given = settings[key]
            if given is False:
                continue
            if given is not None:
                proof[key] = given
            elif value is not None:
                proof[key] = value
        return proof

    def package_url(self, settings):
        base = "%s://127.0.0.1:%d" % (self.server.scheme, self.server.server_port)
        if settings["package_url"]:
            return settings["package_url"].replace("{base}", base)
        return base + "/files/" + urllib.parse.quote(self.server.package_name)

    def answer(self, path, route, settings, natural=None):
        status, body, content_type = natural or self.natural(path, settings)
        style = route.get("style", settings and settings["style"])
        ascii_only = route.get("ascii", settings and settings["ascii"])
        if "json" in route:
            body, content_type = route["json"], "application/json;charset=UTF-8"
        elif "body" in route:
            body = Body(route["body"].encode("utf-8"))
        elif "body_base64" in route:
            body = Body(base64.b64decode(route["body_base64"]))
        if not isinstance(body, Body):
            if route.get("pad") and isinstance(body, dict):
                body = dict(body, padding="x" * int(route["pad"]))
            body = Body(encode_json(body, style, ascii_only))
        # The file bodies (not a route's own body or status) can be asked for in part.
        ranged = (status == 200 and natural is None and path.startswith(("/files/", "/bytes/"))
                  and route.get("ranges", True)
                  and not any(k in route for k in ("status", "body", "json", "body_base64")))
        status = int(route.get("status", status))
        if route.get("delay_ms"):
            time.sleep(route["delay_ms"] / 1000.0)

        extra = []
        first, end = 0, body.length()
        if ranged:
            extra = [("Accept-Ranges", "bytes"), ("ETag", body.etag()),
                     ("Last-Modified", body.last_modified())]
            part = requested_range(self.headers, body) if self.command == "GET" else None
            if part == "unsatisfiable":
                status, body = 416, Body(b"")
                extra.append(("Content-Range", "bytes */%d" % end))
                first, end = 0, 0
            elif part is not None:
                status = 206
                extra.append(("Content-Range", "bytes %d-%d/%d" % (part[0], part[1] - 1, end)))
                first, end = part

        self.send_response(status, route.get("reason"))
        self.send_header("Content-Type", content_type)
        length = end - first
        declared = route.get("content_length", length)
        if declared is not False and declared is not None:
            self.send_header("Content-Length", str(declared))
        for name, value in extra + list(route.get("headers", {}).items()):
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command == "HEAD":
            return
        limit = route.get("drop_after")
        rate = route.get("rate")  # bytes a second: the body comes as over a slow link
        started = time.monotonic()
        stall_after, stalled = route.get("stall_after"), False
        sent = 0
        for block in body.chunks(first, end):
            if stall_after is not None and not stalled and sent + len(block) >= stall_after:
                # Part of the block, then silence on an open connection, then the rest.
                head = stall_after - sent
                self.wfile.write(block[:head])
                self.wfile.flush()
                time.sleep(route.get("stall_ms", 0) / 1000.0)
                stalled = True
                block, sent = block[head:], stall_after
            if limit is not None and sent + len(block) >= limit:
                self.wfile.write(block[:limit - sent])
                self.wfile.flush()
                self.cut()
                return
            if rate:
                self.paced(block, sent, rate, started)
            else:
                self.wfile.write(block)
            sent += len(block)

    def paced(self, block, sent, rate, started):
        """Writes `block` as a link of `rate` bytes a second would: a piece every 10 ms."""
        piece = max(1, int(rate) // 100)
        for i in range(0, len(block), piece):
            wait = started + (sent + i) / rate - time.monotonic()
            if wait > 0:
                time.sleep(wait)
            self.wfile.write(block[i:i + piece])

    def cut(self):
        """Ends the connection at once, in the middle of the body."""
        try:
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\1\0\0\0\0\0\0\0")
        except OSError:
            pass
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        # The bytes sent so far reach the client before the reset, which would discard what it
        # has not read yet.
        time.sleep(CUT_GRACE_S)

    # ---- control ----------------------------------------------------------------------------

    def control(self, what, body):
        state = self.server.state
        try:
            if what == "config" and self.command == "POST":
                state.configure(json.loads(body.decode("utf-8") or "{}"))
                reply = state.snapshot()
            elif what == "config":
                reply = state.snapshot()
            elif what == "requests":
                with state.lock:
                    reply = list(state.requests)
            elif what == "reset" and self.command == "POST":
                state.reset()
                reply = {"ok": True}
            else:
                return self.control_reply(404, {"error": "no such control: " + what})
        except (ValueError, AttributeError, TypeError) as e:
            return self.control_reply(400, {"error": str(e)})
        self.control_reply(200, reply)

    def control_reply(self, status, value):
        data = json.dumps(value, ensure_ascii=False).encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "application/json;charset=UTF-8")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(data)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    # Room for a chain's tills asking at once (tools/query-load): with the default backlog of 5
    # the kernel drops their connections and the client's own SYN retries would set the pace.
    request_queue_size = 256

    def __init__(self, args, port, state, tls=None):
        super().__init__(("127.0.0.1", port), Handler)
        self.verbose = args.verbose
        self.files = args.files
        self.package = args.package
        self.package_name = os.path.basename(args.package) if args.package else "TILLWRIGHT.zip"
        self.stub_package = None if args.package else stub_package()
        self.scheme = "http"
        if tls:
            # The handshake happens in the handler's thread, at its first read.
            self.socket = tls.wrap_socket(self.socket, server_side=True,
                                          do_handshake_on_connect=False)
            self.scheme = "https"
        self.state = state
        self.proofs, self.proof_lock = {}, threading.Lock()
        crl = os.path.join(os.path.dirname(args.tls_cert), "ca.crl") if args.tls_cert else None
        self.crl = crl if crl and os.path.isfile(crl) else None

    def proof_of(self, body):
        """(sha256, size) of a served file, computed once per content."""
        key = body.etag()
        with self.proof_lock:
            if key not in self.proofs:
                self.proofs[key] = body.proof()
            return self.proofs[key]

    def find_file(self, name):
        """The Body of a file under /files/, or None."""
        if self.files and name and "/" not in name and "\\" not in name and name not in (".", ".."):
            path = os.path.join(self.files, name)
            if os.path.isfile(path):
                return Body(path=path)
        if name == self.package_name:
            return Body(path=self.package) if self.package else Body(self.stub_package)
        return None


def stub_package():
    """A small zip for running without --package: app/TILLWRIGHT.exe holding a placeholder."""
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("app/TILLWRIGHT.exe", b"placeholder client of the sample service\r\n")
    return out.getvalue()


def write_atomically(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write(text)
    os.replace(tmp, path)


def main():
    p = argparse.ArgumentParser(description="Sample back-office service for Kestrion (127.0.0.1).")
    p.add_argument("--port", type=int, default=8080, help="port; 0 picks a free one")
    p.add_argument("--port-file", help="write the port here once the service listens")
    p.add_argument("--pid-file", help="write the process id here")
    p.add_argument("--prefix", default="", help="path segment in front of the query endpoints")
    p.add_argument("--client-name", default="蓝雀收银台", help="the client-name query's answer")
    p.add_argument("--version", default="1.0.0", help="posversion of the package query")
    p.add_argument("--is-full", default="true", help="is_full of the package query")
    p.add_argument("--package", help="the package file that the package query points to")
    p.add_argument("--package-url", default="", help="pospackage address (default: this service)")
    p.add_argument("--files", help="folder served under /files/")
    p.add_argument("--style", choices=("compact", "pretty", "crlf"), default="compact",
                   help="JSON layout of the replies")
    p.add_argument("--ascii", action="store_true", help="send non-ASCII characters as \\u escapes")
    p.add_argument("--tls-cert", help="serve https as well, with this certificate (PEM)")
    p.add_argument("--tls-key", help="the certificate's private key (PEM)")
    p.add_argument("--tls-port", type=int, default=8443, help="the https port; 0 picks a free one")
    p.add_argument("--tls-port-file", help="write the https port here")
    p.add_argument("--verbose", action="store_true", help="log each request on stderr")
    args = p.parse_args()
    if args.package and not os.path.isfile(args.package):
        p.error("no such package file: " + args.package)

    state = State({
        "client_name": args.client_name,
        "version": args.version,
        "is_full": args.is_full,
        "package_url": args.package_url,
        "prefix": args.prefix,
        "style": args.style,
        "ascii": args.ascii,
        "sha256": None,  # None: the package file's own; false: left out; else sent as given
        "size": None,
    })
    servers = [Server(args, args.port, state)]
    if args.tls_cert:
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(args.tls_cert, args.tls_key)
        servers.append(Server(args, args.tls_port, state, tls))
    if args.pid_file:
        write_atomically(args.pid_file, "%d\n" % os.getpid())
    if args.tls_port_file and args.tls_cert:
        write_atomically(args.tls_port_file, "%d\n" % servers[1].server_port)
    if args.port_file:
        write_atomically(args.port_file, "%d\n" % servers[0].server_port)
    for server in servers:
        sys.stderr.write("sample service on %s://127.0.0.1:%d/\n" % (server.scheme,
                                                                     server.server_port))
    sys.stderr.flush()
    for server in servers[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        servers[0].serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        for server in servers:
            server.server_close()


if __name__ == "__main__":
    main()
