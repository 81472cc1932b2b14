#!/usr/bin/env python3
"""A stand-in for the vendor's update service, for the checker's tests and the demo.

HTTPS on 127.0.0.1 only, with a throwaway certificate authority made with the openssl command
line in --dir on first use. Three listeners, each on a port chosen by the system:

  trusted     certificate for 127.0.0.1 and localhost, signed by DIR/ca.pem
  wrong_host  certificate for another host name, signed by DIR/ca.pem
  untrusted   certificate for 127.0.0.1, signed by a CA nobody is told about

Once listening it prints one JSON line to stdout and writes the same to DIR/service.json:
{"trusted": port, "wrong_host": port, "untrusted": port, "ca_file": path}. Every request is
appended to DIR/requests.log as a JSON line. The service stops after --lifetime seconds, on
SIGTERM or on SIGINT.

Paths (query parameters in brackets; "version" is the offered build, e.g. 1.8.0.222-1.b10):
  /dm [version, pad, arch]            the DM response, with pad padding elements
  /status/CODE [body, linger]         that status; body=1 adds a DM response; linger=S leaves the
                                      length open and closes S seconds after the body
  /redirect/N [to, version]           N redirects (at least one), the last to "to" (default /dm)
  /gzip [version, pad]                gzip-encoded DM response with pad padding elements
  /pieces [version, pad, size, pause] the body in pieces of size bytes, pause ms apart
  /split-utf8 [version]               a two-byte character split between two writes
  /empty, /notjson                    an empty body, a body that is not JSON
  /stall [partial]                    headers (and partial body bytes), then silence
  /drop                               the connection closed without a response
  /huge [version, mb]                 about mb MiB: the DM element, then padding elements

Hostile services, each until the client hangs up (or the service stops):
  /drip [interval]                    headers, "[", then one blank every interval seconds (1)
  /endless [rate]                     an array that never ends: "[" then "0," again and again, at
                                      rate KiB a second (unbounded when absent)
  /header-flood                       a status line, then header lines that never end
  /redirect-loop                      a redirect to itself
  /gzip-bomb [mb]                     a gzip-encoded body that decodes to "[", mb MiB of blanks
                                      (1024 when absent) and "]", compressed while it is sent
"""

import argparse
import gzip
import json
import os
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse
import zlib

DEFAULT_VERSION = "1.8.0.212-3.b04"
HOLD_LIMIT_SECONDS = 120
offered_version = DEFAULT_VERSION
PADDING_BLOCK = 65536


def make_certificates(directory):
    """Creates the CA, the two certificates it signs and an unrelated CA with its certificate."""
    if os.path.exists(os.path.join(directory, "untrusted.pem")):
        return

    def openssl(*args):
        subprocess.run(["openssl", *args], cwd=directory, check=True, capture_output=True)

    ec_key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    leaf = ["-addext", "basicConstraints=critical,CA:FALSE",
            "-addext", "keyUsage=critical,digitalSignature",
            "-addext", "extendedKeyUsage=serverAuth"]
    for ca in ("ca", "rogue-ca"):
        openssl("req", "-x509", *ec_key, "-keyout", f"{ca}.key", "-out", f"{ca}.pem",
                "-days", "7", "-subj", f"/CN=Update service test {ca}",
                "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    for name, ca, alt in (("server", "ca", "IP:127.0.0.1,DNS:localhost"),
                          ("wrong-host", "ca", "DNS:wrong-host.example"),
                          ("untrusted", "rogue-ca", "IP:127.0.0.1,DNS:localhost")):
        openssl("req", "-x509", "-CA", f"{ca}.pem", "-CAkey", f"{ca}.key", *ec_key,
                "-keyout", f"{name}.key", "-out", f"{name}.pem", "-days", "7",
                "-subj", f"/CN={name}", "-addext", f"subjectAltName={alt}", *leaf)


def dm_element(version, arch="x86_64"):
    name = f"java-1.8.0-tavrik-{version}.quelvar.windows.{arch}.zip"
    return {"id": "tavrik-8-windows-x86_64", "title": "Tavrik 8 for Windows x86_64",
            "featuredArtifact": {"url": f"https://downloads.example/tavrik/8/{name}",
                                 "size": 104857600}}


def dm_body(version, padding=0, arch="x86_64"):
    elements = [dm_element(version, arch)]
    elements += [{"padding": i, "text": "all work and no play " * 4} for i in range(padding)]
    return json.dumps(elements, indent=1).encode()


def head(status, fields):
    reason = {200: "OK", 302: "Found"}.get(status, "Status")
    lines = [f"HTTP/1.0 {status} {reason}", "Connection: close"]
    lines += [f"{name}: {value}" for name, value in fields]
    return ("\r\n".join(lines) + "\r\n\r\n").encode()


def json_head(body_length=None, extra=()):
    fields = [("Content-Type", "application/json"), *extra]
    if body_length is not None:
        fields.append(("Content-Length", str(body_length)))
    return head(200, fields)


def hold_until_closed(conn):
    """Waits for the client to hang up, or for the hold limit."""
    conn.settimeout(HOLD_LIMIT_SECONDS)
    try:
        while conn.recv(1024):
            pass
    except OSError:
        pass


def respond(conn, path, query, headers):
    number = lambda name, default: float(query.get(name, default))
    version = query.get("version", offered_version)
    parts = path.strip("/").split("/")
    if parts[0] == "dm":
        body = dm_body(version, int(number("pad", 0)), query.get("arch", "x86_64"))
        conn.sendall(json_head(len(body)) + body)
    elif parts[0] == "status":
        status = int(parts[1])
        body = dm_body(version) if query.get("body") == "1" else b""
        if "linger" in query:
            conn.sendall(head(status, [("Content-Type", "application/json")]) + body)
            time.sleep(number("linger", 1))
        else:
            conn.sendall(head(status, [("Content-Length", str(len(body)))]) + body)
    elif parts[0] == "redirect":
        left = int(parts[1])
        rest = {k: v for k, v in query.items() if k != "to"}
        if left > 1:
            target = f"/redirect/{left - 1}?" + urllib.parse.urlencode(query)
        else:
            target = query.get("to", "/dm?" + urllib.parse.urlencode(rest))
        conn.sendall(head(302, [("Location", target), ("Content-Length", "0")]))
    elif parts[0] == "gzip":
        body = dm_body(version, int(number("pad", 2000)))
        if "gzip" in headers.get("accept-encoding", ""):
            body = gzip.compress(body)
            conn.sendall(json_head(len(body), [("Content-Encoding", "gzip")]) + body)
        else:
            conn.sendall(json_head(len(body)) + body)
    elif parts[0] == "pieces":
        body = dm_body(version, int(number("pad", 10)))
        size, pause = int(number("size", 64)), number("pause", 20) / 1000
        conn.sendall(json_head(len(body)))
        for start in range(0, len(body), size):
            conn.sendall(body[start:start + size])
            time.sleep(pause)
    elif parts[0] == "split-utf8":
        element = dm_element(version)
        element["title"] = "Tavrik 8 für Windows"
        body = json.dumps([element], ensure_ascii=False).encode()
        cut = body.index("ü".encode()) + 1
        conn.sendall(json_head(len(body)) + body[:cut])
        time.sleep(0.5)
        conn.sendall(body[cut:])
    elif parts[0] == "empty":
        conn.sendall(json_head(0))
    elif parts[0] == "notjson":
        body = b"this is not JSON"
        conn.sendall(json_head(len(body)) + body)
    elif parts[0] == "stall":
        partial = b'[{"featuredArtifact": '[:int(number("partial", 0))]
        conn.sendall(json_head(1000) + partial)
        hold_until_closed(conn)
    elif parts[0] == "drop":
        pass
    elif parts[0] == "huge":
        send_huge(conn, version, int(number("mb", 32)))
    elif parts[0] in HOSTILE:
        HOSTILE[parts[0]](conn, number)
    else:
        conn.sendall(head(404, [("Content-Length", "0")]))


def send_huge(conn, version, mebibytes):
    """Generated while sent: the DM element first, then fixed-size padding elements."""
    first = ("[" + json.dumps(dm_element(version))).encode()
    count = mebibytes * 1024 * 1024 // PADDING_BLOCK
    conn.sendall(json_head(len(first) + count * PADDING_BLOCK + 1) + first)
    batch = []
    for i in range(count):
        element = f',\n{{"padding": {i}}}'.encode()
        batch.append(element + b" " * (PADDING_BLOCK - len(element)))
        if len(batch) == 64:
            conn.sendall(b"".join(batch))
            batch = []
    conn.sendall(b"".join(batch) + b"]")


def send_drip(conn, number):
    conn.sendall(json_head() + b"[")
    while True:
        time.sleep(number("interval", 1))
        conn.sendall(b" ")


def send_endless(conn, number):
    conn.sendall(json_head() + b"[")
    block = b"0," * 8192
    rate = number("rate", 0) * 1024
    started, sent = time.monotonic(), 0
    while True:
        conn.sendall(block)
        sent += len(block)
        if rate:
            time.sleep(max(0.0, started + sent / rate - time.monotonic()))


def send_header_flood(conn, _number):
    conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: application/json\r\n")
    line = 0
    while True:
        batch = [f"X-Flood-{line + i}: {'f' * 100}\r\n".encode() for i in range(100)]
        conn.sendall(b"".join(batch))
        line += 100


def send_redirect_loop(conn, _number):
    conn.sendall(head(302, [("Location", "/redirect-loop"), ("Content-Length", "0")]))


def send_gzip_bomb(conn, number):
    conn.sendall(json_head(extra=[("Content-Encoding", "gzip")]))
    packer = zlib.compressobj(9, zlib.DEFLATED, 31)
    blanks = b" " * (1024 * 1024)
    conn.sendall(packer.compress(b"["))
    for _ in range(int(number("mb", 1024))):
        piece = packer.compress(blanks)
        if piece:
            conn.sendall(piece)
    conn.sendall(packer.compress(b"]") + packer.flush())


HOSTILE = {"drip": send_drip, "endless": send_endless, "header-flood": send_header_flood,
           "redirect-loop": send_redirect_loop, "gzip-bomb": send_gzip_bomb}


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        piece = conn.recv(4096)
        if not piece or len(data) > 65536:
            return None
        data += piece
    lines = data.split(b"\r\n\r\n", 1)[0].decode("latin-1").split("\r\n")
    method, target, protocol = lines[0].split(" ", 2)
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    return method, target, protocol, headers


def serve_connection(raw, context, listener, log_path, log_lock):
    try:
        with context.wrap_socket(raw, server_side=True) as conn:
            request = read_request(conn)
            if request is None:
                return
            method, target, protocol, headers = request
            with log_lock, open(log_path, "a", encoding="utf-8") as log:
                log.write(json.dumps({"listener": listener, "method": method, "target": target,
                                      "protocol": protocol, "headers": headers}) + "\n")
            url = urllib.parse.urlsplit(target)
            query = dict(urllib.parse.parse_qsl(url.query))
            respond(conn, url.path, query, headers)
            try:
                conn.unwrap()
            except (OSError, ValueError):
                pass
    except (OSError, ValueError):
        pass  # a client that refuses the certificate or hangs up early is part of the tests
    finally:
        raw.close()


def listen(name, cert, key, log_path, log_lock):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(16)

    def accept_loop():
        while True:
            raw, _ = server.accept()
            threading.Thread(target=serve_connection, daemon=True,
                             args=(raw, context, name, log_path, log_lock)).start()

    threading.Thread(target=accept_loop, daemon=True).start()
    return server.getsockname()[1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--dir", required=True, help="certificates, service.json, requests.log")
    parser.add_argument("--lifetime", type=float, default=3600, help="seconds until it stops")
    parser.add_argument("--version", default=DEFAULT_VERSION, help="build offered by default")
    args = parser.parse_args()

    directory = os.path.abspath(args.dir)
    os.makedirs(directory, exist_ok=True)
    make_certificates(directory)
    global offered_version
    offered_version = args.version
    log_path, log_lock = os.path.join(directory, "requests.log"), threading.Lock()
    file = lambda name: os.path.join(directory, name)
    ports = {name: listen(name, file(f"{cert}.pem"), file(f"{cert}.key"), log_path, log_lock)
             for name, cert in (("trusted", "server"), ("wrong_host", "wrong-host"),
                                ("untrusted", "untrusted"))}
    ports["ca_file"] = file("ca.pem")
    announcement = json.dumps(ports)
    with open(file("service.json.tmp"), "w", encoding="utf-8") as out:
        out.write(announcement)
    os.replace(file("service.json.tmp"), file("service.json"))
    print(announcement, flush=True)

    stop = threading.Event()
    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda *_: stop.set())
    stop.wait(args.lifetime)
    sys.exit(0)


if __name__ == "__main__":
    main()
