#!/usr/bin/env python3
"""Checks docs/openapi.json against the sample service and the installer's own requests.

Starts tools/sample_service.py on a free port of 127.0.0.1 and sends it, for each query the
installer asks (read from src/service/endpoint.h), the request the installer sends (HTTP/1.0,
"Content-Type: application/x-www-form-urlencoded;", no body) on the default and the
SERVICE_CENTER path, without and with a path prefix; then it fetches every package address
the package query gave, checks the body against the "sha256" and "size" the reply promised, and
asks for its second half again as a resumed download does (Range and If-Range). Each request must be one the contract describes; each reply must have
a status, content type and body the contract allows. Every operation of the contract must be
exercised, and every query endpoint the sample service serves must be in the contract.

  check_service.py [--contract FILE] [--service FILE] [--endpoints FILE]

Prints one line per exchange; exits 1 after listing every mismatch, naming its request.
"""

import argparse
import hashlib
import io
import json
import os
import re
import runpy
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# What the installer sends with every query (src/service/request.cpp).
CONTENT_TYPE = "application/x-www-form-urlencoded;"
PREFIX = "pos"
TIMEOUT_S = 10

# The schema keywords this check understands; any other in the contract is a failure, so a
# keyword added to the contract is never silently passed over.
SCHEMA_KEYWORDS = {"type", "properties", "required", "enum", "items", "maxLength", "format",
                   "description", "$ref", "oneOf"}
JSON_TYPES = {"object": dict, "array": list, "string": str, "boolean": bool, "integer": int,
              "number": (int, float)}


class Contract:
    def __init__(self, path):
        with open(path, encoding="utf-8") as f:
            self.doc = json.load(f)

    def resolve(self, node):
        while isinstance(node, dict) and "$ref" in node:
            target = self.doc
            for step in node["$ref"].lstrip("#/").split("/"):
                target = target[step]
            node = target
        return node

    def operations(self):
        """(method, path) -> operation, for every operation of every path."""
        return {(method.upper(), path): op for path, item in self.doc["paths"].items()
                for method, op in item.items() if method != "parameters"}

    def find(self, method, path, templates):
        """The (method, path) key of the operation for a request path, or None. With templates,
        only a templated path matches, its "{name}" standing for any path (the download's)."""
        for m, key in self.operations():
            if m == method and ("{" in key) == templates and re.fullmatch(
                    re.sub(r"\\\{\w+\\\}", ".+", re.escape(key)), path):
                return m, key
        return None

    def schema_faults(self, value, schema, where):
        schema = self.resolve(schema)
        unknown = set(schema) - SCHEMA_KEYWORDS
        if unknown:
            return ["%s: the check does not know the schema keyword(s) %s"
                    % (where, sorted(unknown))]
        if "oneOf" in schema:
            fitting = [sub for sub in schema["oneOf"] if not self.schema_faults(value, sub, where)]
            if len(fitting) != 1:
                shown = json.dumps(value, ensure_ascii=False)
                return ["%s: %s fits %d of the schemas of oneOf, not exactly one"
                        % (where, shown, len(fitting))]
        kind = schema.get("type")
        if kind and not (isinstance(value, JSON_TYPES[kind]) and
                         (kind == "boolean" or not isinstance(value, bool))):
            shown = json.dumps(value, ensure_ascii=False)
            return ["%s: %s where the contract wants %s" % (where, shown, kind)]
        faults = []
        if "enum" in schema and not any(type(value) is type(e) and value == e
                                        for e in schema["enum"]):
            faults.append("%s: %r is not one of %r" % (where, value, schema["enum"]))
        if isinstance(value, str) and len(value) > schema.get("maxLength", len(value)):
            faults.append("%s: longer than %d characters" % (where, schema["maxLength"]))
        if isinstance(value, dict):
            faults += ["%s: member %r is missing" % (where, name)
                       for name in schema.get("required", []) if name not in value]
            for name, sub in schema.get("properties", {}).items():
                if name in value:
                    faults += self.schema_faults(value[name], sub, "%s.%s" % (where, name))
        if isinstance(value, list) and "items" in schema:
            for i, item in enumerate(value):
                faults += self.schema_faults(item, schema["items"], "%s[%d]" % (where, i))
        return faults


def installer_queries(endpoint_h):
    """[(verb, default path, SERVICE_CENTER path)] of every ServiceQuery in endpoint.h."""
    with open(endpoint_h, encoding="utf-8") as f:
        source = f.read()
    queries = []
    for body in re.findall(r"ServiceQuery\s+\w+\s*\{(.*?)\};", source, re.S):
        fields, literal = [], ""
        for token in re.findall(r'"(?:[^"\\]|\\.)*"|,', body):  # adjacent literals join
            if token == ",":
                fields.append(literal)
                literal = ""
            else:
                literal += token[1:-1]
        queries.append((fields[2], fields[0], fields[1]))
    if not queries:
        sys.exit("check_service: no ServiceQuery found in " + endpoint_h)
    return queries


def endpoint_path(path, prefix):
    """The path on the wire, as src/service/endpoint.cpp composes it."""
    return ("/" + prefix + "/" if prefix else "/") + path


def exchange(port, method, target, headers):
    """One HTTP/1.0 exchange: (status, {lower-case name: value}, body)."""
    head = "%s %s HTTP/1.0\r\nHost: 127.0.0.1:%d\r\nUser-Agent: check_service\r\n" % (
        method, target, port)
    head += "".join("%s: %s\r\n" % item for item in headers.items()) + "\r\n"
    with socket.create_connection(("127.0.0.1", port), timeout=TIMEOUT_S) as s:
        s.sendall(head.encode("latin-1"))
        reply = b""
        while True:
            block = s.recv(65536)
            if not block:
                break
            reply += block
    top, _, body = reply.partition(b"\r\n\r\n")
    lines = top.decode("latin-1").split("\r\n")
    status = int(lines[0].split()[1])
    fields = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        fields[name.strip().lower()] = value.strip()
    return status, fields, body


def request_faults(contract, op, query, headers):
    """Where the request the installer sends falls outside what the operation describes."""
    faults = []
    pairs = urllib.parse.parse_qsl(query, keep_blank_values=True)
    sent = {"query": dict(pairs), "header": {k.lower(): v for k, v in headers.items()}}
    for p in map(contract.resolve, op.get("parameters", [])):
        if p["in"] == "path":
            continue
        where = "request %s %s" % (p["in"], p["name"])
        got = sent.get(p["in"], {}).get(p["name"].lower() if p["in"] == "header" else p["name"])
        if got is None:
            faults += [where + ": the installer does not send it"] if p.get("required") else []
        elif got == "" and p["in"] == "query" and not p.get("allowEmptyValue"):
            faults.append(where + ": the installer sends it empty")
        else:
            faults += contract.schema_faults(got, p["schema"], where)
    known = {p["name"] for p in map(contract.resolve, op.get("parameters", []))
             if p["in"] == "query"}
    faults += ["request query %s: not in the contract" % name
               for name, _ in pairs if name not in known]
    body = contract.resolve(op.get("requestBody", {})).get("content")
    if body is not None:
        media = headers.get("Content-Type", "").split(";")[0].strip()
        if media not in body:
            faults.append("request body: the installer's %r is not one of %s"
                          % (media, sorted(body)))
        else:
            faults += contract.schema_faults("", body[media]["schema"], "request body")
    return faults


def reply_faults(contract, op, status, fields, body):
    """Where the reply falls outside the operation's responses; and the JSON body, if any."""
    response = op["responses"].get(str(status)) or op["responses"].get("default")
    if response is None:
        return ["status %d is not one of %s" % (status, sorted(op["responses"]))], None
    if "content-length" in fields and fields["content-length"] != str(len(body)):
        return ["Content-Length %s but %d bytes of body"
                % (fields["content-length"], len(body))], None
    content = contract.resolve(response).get("content", {})
    media, _, params = fields.get("content-type", "").partition(";")
    media = media.strip().lower()
    if media not in content:
        return ["content type %r is not one of %s"
                % (fields.get("content-type"), sorted(content))], None
    schema = contract.resolve(content[media]["schema"])
    if not media.endswith("json"):
        if (schema.get("type"), schema.get("format")) != ("string", "binary"):
            return ["the check cannot read a %s body against %s" % (media, schema)], None
        if media == "application/zip" and status == 200:  # a 206 carries only a part
            try:
                bad = zipfile.ZipFile(io.BytesIO(body)).testzip()
            except zipfile.BadZipFile as e:
                bad = str(e)
            if bad:
                return ["body is no sound zip archive: " + bad], None
        return [], None
    charset = re.search(r"charset\s*=\s*([\w-]+)", params, re.I)
    if charset and charset.group(1).lower().replace("-", "") != "utf8":
        return ["charset %s where the contract wants UTF-8" % charset.group(1)], None
    try:
        value = json.loads(body.decode("utf-8"))
    except ValueError as e:  # UnicodeDecodeError included
        return ["body is not UTF-8 JSON (%s): %r" % (e, body[:80])], None
    return contract.schema_faults(value, schema, "body"), value


class Service:
    """The sample service on a free port; stopped by close(), always."""

    def __init__(self, script):
        self.folder = tempfile.TemporaryDirectory(prefix="check_service.")
        port_file = os.path.join(self.folder.name, "port")
        self.proc = subprocess.Popen([sys.executable, script, "--port", "0",
                                      "--port-file", port_file])
        deadline = time.monotonic() + TIMEOUT_S
        while not os.path.exists(port_file):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.close()
                sys.exit("check_service: the sample service did not start: " + script)
            time.sleep(0.05)
        with open(port_file) as f:
            self.port = int(f.read())

    def configure(self, change):
        data = json.dumps(change)
        head = "Content-Length: %d\r\nContent-Type: application/json\r\n\r\n%s" % (len(data), data)
        with socket.create_connection(("127.0.0.1", self.port), timeout=TIMEOUT_S) as s:
            s.sendall(("POST /__control/config HTTP/1.0\r\n" + head).encode("utf-8"))
            if b" 200 " not in s.recv(65536).split(b"\r\n")[0]:
                raise RuntimeError("the sample service refused " + data)

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.folder.cleanup()


def served_query_faults(contract, service_script):
    """The query endpoints the sample service serves that the contract does not name."""
    sample = runpy.run_path(service_script, run_name="sample_service")
    faults = []
    for path in sample["CLIENT_NAME_PATHS"] + sample["PACKAGE_PATHS"]:
        _, verb = sample["Handler"].endpoint("/" + path, {"prefix": ""})
        if (verb, "/" + path) not in contract.operations():
            faults.append("%s /%s: served by the sample service, not in the contract"
                          % (verb, path))
    return faults


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--contract", default=os.path.join(ROOT, "docs", "openapi.json"))
    p.add_argument("--service", default=os.path.join(ROOT, "tools", "sample_service.py"))
    p.add_argument("--endpoints", default=os.path.join(ROOT, "src", "service", "endpoint.h"))
    args = p.parse_args()
    contract = Contract(args.contract)

    # The installer's requests: each query on both paths, without and with a prefix.
    cases = [(prefix, verb, endpoint_path(path, prefix))
             for verb, default, service_center in installer_queries(args.endpoints)
             for path in (default, service_center) for prefix in ("", PREFIX)]
    failures = served_query_faults(contract, args.service)
    exercised = set()
    last = {}  # the last exchange: status, header fields, body

    def check(method, target, prefix, headers, templates=False):
        """Sends one request and checks it and its reply; returns the JSON reply, or None."""
        split = urllib.parse.urlsplit(target)
        path = split.path[len(prefix) + 1:] if prefix else split.path
        key = contract.find(method, path, templates)
        if key is None:
            failures.append("%s %s: the contract has no %s %s" % (method, target, method, path))
            return None
        exercised.add(key)
        op = contract.operations()[key]
        if "requestBody" in op:  # an HTTP/1.0 POST announces its (empty) body
            headers = dict(headers, **{"Content-Length": "0"})
        try:
            status, fields, body = exchange(service.port, method, target, headers)
        except (OSError, ValueError, IndexError) as e:
            failures.append("%s %s: no HTTP reply (%s)" % (method, target, e))
            return None
        last.update(status=status, fields=fields, body=body)
        faults, value = reply_faults(contract, op, status, fields, body)
        faults = request_faults(contract, op, split.query, headers) + faults
        failures.extend("%s %s (%s): %s" % (method, target, op.get("operationId"), f)
                        for f in faults)
        print("%-4s %s %s -> %d %s" % ("FAIL" if faults else "ok", method, target, status,
                                       fields.get("content-type", "")))
        return value

    signal.signal(signal.SIGTERM, lambda *_: sys.exit("check_service: stopped"))
    service = Service(args.service)
    try:
        packages = set()
        # Each request once more with the full-package flag as a JSON boolean, which the
        # contract allows beside the text.
        flags = [(c, "true") for c in cases] + [(c, True) for c in cases if not c[0]]
        for (prefix, verb, target), flag in flags:
            service.configure({"prefix": prefix, "is_full": flag})
            reply = check(verb, target, prefix, {"Content-Type": CONTENT_TYPE})
            data = reply.get("data") if isinstance(reply, dict) else None
            if isinstance(data, dict) and isinstance(data.get("pospackage"), str):
                packages.add((data["pospackage"], data.get("sha256"), data.get("size")))
        # The download, at every address the package query gave: whole, then its second half.
        for address, sha256, size in sorted(packages, key=str):
            split = urllib.parse.urlsplit(address)
            if split.scheme != "http" or split.port != service.port:
                failures.append("pospackage %s: not an http address of the service" % address)
                continue
            target = split.path + ("?" + split.query if split.query else "")
            check("GET", target, "", {}, True)
            body, fields = last["body"], last["fields"]
            if sha256 is not None and hashlib.sha256(body).hexdigest() != sha256.lower():
                failures.append("GET %s: the body's SHA-256 is not the promised %s" % (target, sha256))
            if size is not None and len(body) != size:
                failures.append("GET %s: %d bytes, %s promised" % (target, len(body), size))
            if fields.get("accept-ranges") != "bytes" or not fields.get("etag"):
                failures.append("GET %s: no Accept-Ranges: bytes with an ETag" % target)
                continue
            half = len(body) // 2
            check("GET", target, "", {"Range": "bytes=%d-" % half, "If-Range": fields["etag"]},
                  True)
            if (last["status"], last["body"]) != (206, body[half:]):
                failures.append("GET %s from byte %d: status %d with %d bytes, not 206 with the "
                                "rest" % (target, half, last["status"], len(last["body"])))
            elif last["fields"].get("content-range") != "bytes %d-%d/%d" % (half, len(body) - 1,
                                                                             len(body)):
                failures.append("GET %s from byte %d: Content-Range %s"
                                % (target, half, last["fields"].get("content-range")))
    finally:
        service.close()

    failures += ["%s %s (%s): never exercised" % (m, path, op.get("operationId"))
                 for (m, path), op in sorted(contract.operations().items())
                 if (m, path) not in exercised]
    for line in failures:
        print("FAIL " + line, file=sys.stderr)
    if failures:
        sys.exit("check_service: %d mismatch(es) with %s" % (len(failures), args.contract))
    print("check_service: the sample service and the installer's requests agree with "
          + args.contract)


if __name__ == "__main__":
    main()
