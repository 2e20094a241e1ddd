#!/usr/bin/env python3
"""The parse service and video server of the tests: HTTP/1.1 on 127.0.0.1, standard library only.

    http_server.py <control-dir> <files-dir>

Writes its port to <control-dir>/port once it listens. Every request is appended to
<control-dir>/requests.jsonl before it is answered:
    {"method": ..., "path": ..., "headers": [[name, value], ...], "body": <bytes as U+0000..U+00FF>}

POST .../v1/parse/index answers what <control-dir>/scenario.json says, read at each request:
    {"status": 200, "body": "<text, sent as UTF-8>", "headers": [[name, value], ...]}
(no file: 404).

HEAD and GET /files/<name> serve <files-dir>/<name>; the query shapes the answer:
    status=<n>        status of HEAD and GET (default 200); head_status, get_status apart
    head_len=<n>|none what HEAD announces as Content-Length (default the file's size)
    get_len=none      GET sends no Content-Length and closes the connection at the end
    cut=<n>           GET stops after n bytes of the body and closes the connection
    chunk=<n>, delay_ms=<n>   GET sends the body in pieces of n bytes, pausing between them
    stall_at=<n>, stall_ms=<m>  GET goes quiet for m ms once n bytes of the body are out
A missing file gives 404.

HEAD and GET /redirect/<name>?<query> answer 302 with Location /files/<name>?<query>.

TLS: for each <control-dir>/tls-<label>.pem present at start (a certificate, its chain and
its key), the same service also listens over TLS on a port of its own, written to
<control-dir>/tls-<label>.port.

The server stops when <control-dir> disappears, or after an hour in any case.
"""
import glob
import json
import os
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CONTROL, FILES = sys.argv[1], sys.argv[2]
LOG = os.path.join(CONTROL, "requests.jsonl")
SCENARIO = os.path.join(CONTROL, "scenario.json")
log_lock = threading.Lock()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def record(self, body):
        entry = {
            "method": self.command,
            "path": self.path,
            "headers": [[k, v] for k, v in self.headers.items()],
            "body": body.decode("latin-1"),
        }
        with log_lock, open(LOG, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")

    def read_body(self):
        n = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(n) if n > 0 else b""

    def answer(self, status, body=b"", headers=(), length=True, close=False):
        self.send_response(status)
        for k, v in headers:
            self.send_header(k, v)
        if length:
            self.send_header("Content-Length", str(len(body)))
        if close:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        if self.command != "HEAD" and body:
            self.wfile.write(body)

    def do_POST(self):
        body = self.read_body()
        self.record(body)
        if not self.path.split("?")[0].endswith("/v1/parse/index"):
            return self.answer(404)
        try:
            with open(SCENARIO, encoding="utf-8") as f:
                sc = json.load(f)
        except FileNotFoundError:
            return self.answer(404)
        self.answer(sc.get("status", 200), sc.get("body", "").encode("utf-8"), sc.get("headers", []))

    def do_HEAD(self):
        self.record(self.read_body())
        self.serve()

    def do_GET(self):
        self.record(self.read_body())
        self.serve()

    def serve(self):
        if self.path.startswith("/redirect/"):
            return self.answer(302, b"", [("Location", "/files/" + self.path[len("/redirect/"):])])
        self.serve_file()

    def serve_file(self):
        url = urllib.parse.urlsplit(self.path)
        q = {k: v[-1] for k, v in urllib.parse.parse_qs(url.query).items()}
        name = urllib.parse.unquote(url.path[len("/files/"):]) if url.path.startswith("/files/") else ""
        path = os.path.join(FILES, name)
        if not name or "/" in name or not os.path.isfile(path):
            return self.answer(404, b"not found")
        size = os.path.getsize(path)
        head = self.command == "HEAD"
        status = int(q.get("head_status" if head else "get_status", q.get("status", 200)))
        if head:
            hl = q.get("head_len", str(size))
            self.send_response(status)
            if hl != "none":
                self.send_header("Content-Length", hl)
            self.send_header("Content-Type", "video/mp4")
            self.end_headers()
            return
        with_len = q.get("get_len") != "none"
        cut = int(q["cut"]) if "cut" in q else None
        self.send_response(status)
        self.send_header("Content-Type", "video/mp4")
        if with_len:
            self.send_header("Content-Length", str(size))
        if not with_len or cut is not None:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        chunk = int(q.get("chunk", 1 << 20))
        delay = int(q.get("delay_ms", 0)) / 1000.0
        stall_at = int(q.get("stall_at", -1))
        stall = int(q.get("stall_ms", 0)) / 1000.0
        limit = size if cut is None else min(cut, size)
        sent = 0
        try:
            with open(path, "rb") as f:
                while sent < limit:
                    piece = min(chunk, limit - sent)
                    if sent < stall_at:
                        piece = min(piece, stall_at - sent)
                    data = f.read(piece)
                    if not data:
                        break
                    self.wfile.write(data)
                    self.wfile.flush()
                    sent += len(data)
                    if sent == stall_at and sent < limit:
                        time.sleep(stall)
                    elif delay and sent < limit:
                        time.sleep(delay)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True


def watch(servers):
    started = time.time()
    while os.path.isdir(CONTROL) and time.time() - started < 3600:
        time.sleep(0.2)
    for server in servers:
        server.shutdown()


def publish_port(server, name):
    tmp = os.path.join(CONTROL, name + ".tmp")
    with open(tmp, "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(tmp, os.path.join(CONTROL, name))


class TlsServer(ThreadingHTTPServer):
    """The handshake runs in the request's own thread: a client that refuses the
    certificate must not hold up the listener."""

    def __init__(self, address, handler, context):
        super().__init__(address, handler)
        self.context = context

    def finish_request(self, request, client_address):
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        self.RequestHandlerClass(tls, client_address, self)


def main():
    # A longer listen queue than the default 5: a loaded machine may be slow to accept.
    ThreadingHTTPServer.request_queue_size = 64
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    servers = [server]
    for pem in sorted(glob.glob(os.path.join(CONTROL, "tls-*.pem"))):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(pem)
        tls = TlsServer(("127.0.0.1", 0), Handler, context)
        tls.daemon_threads = True
        threading.Thread(target=tls.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
        servers.append(tls)
        publish_port(tls, os.path.basename(pem)[:-len(".pem")] + ".port")
    # The plain port comes last: once it is there, every port is.
    publish_port(server, "port")
    threading.Thread(target=watch, args=(servers,), daemon=True).start()
    server.serve_forever(poll_interval=0.2)


if __name__ == "__main__":
    main()
