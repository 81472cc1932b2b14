#!/usr/bin/env python3
"""Serves the files of one directory over HTTPS on 127.0.0.1, for the benchmarks.

The project's update service builds each DM response while it answers (json.dumps of the whole
array, seconds for tens of megabytes) and leaves Nagle's algorithm on, so that its small TLS writes
wait for a delayed acknowledgement (about 40 ms a request on loopback). Both would be timed as part
of every client run. This server answers from bodies read into memory at start, with TCP_NODELAY,
so that what is timed is the client. It uses the update service's throwaway CA and its response
head, so the clients see the same certificate chain and the same header lines.

Once listening it prints one JSON line: {"port": port, "ca_file": path}. It stops after
--lifetime seconds, on SIGTERM or on SIGINT.
"""

import argparse
import json
import os
import signal
import socket
import ssl
import sys
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
import update_service  # noqa: E402  pylint: disable=wrong-import-position


def serve_connection(raw, context, bodies):
    try:
        raw.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        with context.wrap_socket(raw, server_side=True) as conn:
            request = update_service.read_request(conn)
            if request is None:
                return
            body = bodies.get(request[1].split("?", 1)[0].lstrip("/"))
            if body is None:
                conn.sendall(update_service.head(404, [("Content-Length", "0")]))
            else:
                conn.sendall(update_service.json_head(len(body)))
                conn.sendall(body)
            try:
                conn.unwrap()
            except (OSError, ValueError):
                pass
    except (OSError, ValueError):
        pass  # a client that hangs up early (jq has read what it wanted) is no failure here
    finally:
        raw.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n", maxsplit=1)[0])
    parser.add_argument("--root", required=True, help="directory whose files are served")
    parser.add_argument("--certs", required=True, help="directory of the throwaway CA")
    parser.add_argument("--lifetime", type=float, default=1800, help="seconds until it stops")
    args = parser.parse_args()

    os.makedirs(args.certs, exist_ok=True)
    update_service.make_certificates(args.certs)
    bodies = {}
    for name in os.listdir(args.root):
        with open(os.path.join(args.root, name), "rb") as file:
            bodies[name] = memoryview(file.read())

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(args.certs, "server.pem"),
                            os.path.join(args.certs, "server.key"))
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(16)

    def accept_loop():
        while True:
            raw, _ = server.accept()
            threading.Thread(target=serve_connection, args=(raw, context, bodies),
                             daemon=True).start()

    threading.Thread(target=accept_loop, daemon=True).start()
    print(json.dumps({"port": server.getsockname()[1],
                      "ca_file": os.path.join(os.path.abspath(args.certs), "ca.pem")}), flush=True)

    stop = threading.Event()
    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda *_: stop.set())
    stop.wait(args.lifetime)


if __name__ == "__main__":
    main()
