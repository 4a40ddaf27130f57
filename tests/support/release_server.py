#!/usr/bin/env python3
"""A web server on 127.0.0.1 for checking kestrel-cli verify against good
and bad answers. It serves the files of ROOT; the first part of the path
chooses how (the rest names the file):

  /release/NAME          NAME as it is
  /stale/NAME            NAME with the cache headers of a cache's stale copy
  /catching-up/N/NAME    Old.txt for the first N requests of that path, then NAME
  /falling-silent/N/NAME NAME for the first N requests of that path, then no answer
  /moved/NAME            301 to /release/NAME
  /loop/NAME             302 to itself, for ever
  /missing/NAME          404
  /login/NAME            a login page, 200, text/html
  /endless/NAME          text without end
  /endless-headers/NAME  headers without end
  /silent/NAME           the request is read, and never answered
  /reset/NAME            the connection is reset
  /garbage/NAME          bytes that are no HTTP answer

The paths below a scenario are the files' paths below ROOT.

It prints "PORT REFUSED_PORT" on one line: the port it listens on, and a
port held but not listened on, where connections are refused. With --ftp,
--ftps, --sftp or --webdav it also starts those servers onto ROOT (see
upload_servers.py) and prints their ports on a second line, "ftp=PORT ...".
It ends by itself after --lifetime seconds."""
import argparse
import http.server
import os
import shutil
import socket
import struct
import sys
import threading
import time
import urllib.parse

LOGIN_PAGE = (b"<!DOCTYPE html>\n<html><head><title>Sign in</title></head>"
              b"<body><form>User <input name=u></form></body></html>\n")
CACHE_HEADERS = [("Age", "3600"), ("Cache-Control", "public, max-age=86400"),
                 ("Expires", "Thu, 01 Jan 2026 00:00:00 GMT"),
                 ("Last-Modified", "Mon, 01 Jan 2024 00:00:00 GMT"), ("ETag", '"old-release"')]
CONTENT_TYPES = {".txt": "text/plain", ".zip": "application/zip", ".rar": "application/vnd.rar"}


class Handler(http.server.BaseHTTPRequestHandler):
    root = "."
    requests_seen = {}
    lock = threading.Lock()

    def log_message(self, *args):
        pass

    def send(self, status, body, content_type="text/plain", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def open_file(self, name):
        parts = [part for part in urllib.parse.unquote_to_bytes(name).split(b"/") if part not in (b"", b".", b"..")]
        return open(os.path.join(os.fsencode(self.root), *parts), "rb")

    def serve_file(self, name, headers=()):
        """The file as it is when the request comes (a file renamed over it
        meanwhile does not mix in), sent a piece at a time."""
        try:
            f = self.open_file(name)
        except OSError:
            return self.send(404, b"not found\n")
        with f:
            self.send_response(200)
            self.send_header("Content-Type", CONTENT_TYPES.get(os.path.splitext(name)[1].lower(),
                                                               "application/octet-stream"))
            self.send_header("Content-Length", str(os.fstat(f.fileno()).st_size))
            for header, value in headers:
                self.send_header(header, value)
            self.end_headers()
            shutil.copyfileobj(f, self.wfile, 1 << 20)

    def redirect(self, status, location):
        self.send_response(status)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def count_request(self):
        """How many requests of this path came before this one."""
        with self.lock:
            seen = self.requests_seen.get(self.path, 0)
            self.requests_seen[self.path] = seen + 1
        return seen

    def do_GET(self):
        scenario, _, name = self.path.lstrip("/").partition("/")
        if scenario == "release":
            self.serve_file(name)
        elif scenario == "stale":
            self.serve_file(name, headers=CACHE_HEADERS)
        elif scenario == "catching-up":
            count, _, name = name.partition("/")
            self.serve_file("Old.txt" if self.count_request() < int(count) else name)
        elif scenario == "falling-silent":
            count, _, name = name.partition("/")
            if self.count_request() < int(count):
                self.serve_file(name)
            else:
                time.sleep(3600)
        elif scenario == "moved":
            self.redirect(301, "/release/" + name)
        elif scenario == "loop":
            self.redirect(302, self.path)
        elif scenario == "missing":
            self.send(404, b"<html><body>404 Not Found</body></html>\n", "text/html")
        elif scenario == "login":
            self.send(200, LOGIN_PAGE, "text/html; charset=utf-8")
        elif scenario == "endless":
            self.send_response(200)
            self.end_headers()
            while True:
                self.wfile.write(b"[Update]\r\n" * 4096)
        elif scenario == "endless-headers":
            self.send_response(200)
            while True:
                self.send_header("X-Padding", "x" * 1000)
                self.flush_headers()
        elif scenario == "silent":
            time.sleep(3600)
        elif scenario == "reset":
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
        elif scenario == "garbage":
            self.wfile.write(b"\x00\x01 this is no HTTP answer \xff\xfe\r\n\r\n")
        else:
            self.send(404, b"no such scenario\n")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a client that hangs up midway (a cut download, a timeout) is one of the scenarios


def start_upload_servers(args):
    import upload_servers
    root, state = os.path.abspath(args.root), os.path.abspath(args.state or args.root + ".state")
    os.makedirs(state, exist_ok=True)
    ports = []
    if args.ftp:
        ports.append(f"ftp={upload_servers.start_ftp(root, state, args.password, tls=False)}")
    if args.ftps:
        ports.append(f"ftps={upload_servers.start_ftp(root, state, args.password, tls=True)}")
    if args.sftp:
        ports.append(f"sftp={upload_servers.start_sftp(root, state)[0]}")
    if args.webdav:
        ports.append(f"webdav={upload_servers.start_webdav(root, state, args.password)[0]}")
    return ports


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("root", help="the folder whose files are served")
    parser.add_argument("--lifetime", type=float, default=120, help="seconds until the server ends itself")
    for kind in ("ftp", "ftps", "sftp", "webdav"):
        parser.add_argument("--" + kind, action="store_true", help=f"start the {kind} server onto ROOT too")
    parser.add_argument("--state", help="a folder for the upload servers' keys, configurations and logs")
    parser.add_argument("--password", default="secret", help="the upload servers' password")
    args = parser.parse_args()
    Handler.root = args.root
    server = Server(("127.0.0.1", 0), Handler)
    refusing = socket.socket()
    refusing.bind(("127.0.0.1", 0))  # bound, never listening: connections to it are refused
    print(server.server_address[1], refusing.getsockname()[1], flush=True)
    if args.ftp or args.ftps or args.sftp or args.webdav:
        print(" ".join(start_upload_servers(args)), flush=True)
    threading.Timer(args.lifetime, lambda: os._exit(0)).start()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
