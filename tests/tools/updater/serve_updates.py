# SPDX-License-Identifier: GPL-3.0-or-later
"""A small HTTP server on 127.0.0.1 for the updater tests.

Serves the folder given as its argument and prints the port it listens on.
Besides plain files it knows a few misbehaving paths:
  /slow/<file>      waits before answering at all
  /stall/<file>     sends the headers and the first KiB, then goes quiet
  /endless/<n>      sends n KiB without any Content-Length
  /redirect/<n>/<file>  redirects n times before serving <file>
  /away             redirects to plain HTTP on a host that is never contacted
It stops when its standard input closes, and after five minutes in any case.
"""
import http.server
import os
import sys
import threading
import time

ROOT = sys.argv[1]
# Silence of the slow and stalling paths: well past the tests' idle limits
# (at most 1 s), so the client gives up before the server carries on.
QUIET_SECONDS = 3


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # persistent connections, as real servers keep them

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=ROOT, **kwargs)

    def log_message(self, *args):
        pass

    def do_GET(self):
        parts = self.path.split("/")
        try:
            if parts[1] == "slow":
                time.sleep(QUIET_SECONDS)
                self.path = "/" + "/".join(parts[2:])
            elif parts[1] == "stall":
                return self.stall("/".join(parts[2:]))
            elif parts[1] == "endless":
                return self.endless(int(parts[2]))
            elif parts[1] == "away":
                return self.send_redirect("http://updates.invalid/updates.json")
            elif parts[1] == "redirect":
                return self.redirect(int(parts[2]), "/".join(parts[3:]))
            super().do_GET()
        except (BrokenPipeError, ConnectionResetError):
            pass

    def stall(self, name):
        with open(os.path.join(ROOT, name), "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:1024])
        self.wfile.flush()
        time.sleep(QUIET_SECONDS)
        self.close_connection = True

    def endless(self, kib):
        self.send_response(200)
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        for _ in range(kib):
            self.wfile.write(b"x" * 1024)

    def redirect(self, remaining, name):
        target = "/redirect/%d/%s" % (remaining - 1, name) if remaining > 1 else "/" + name
        self.send_redirect(target)

    def send_redirect(self, target):
        self.send_response(302)
        self.send_header("Location", target)
        self.send_header("Content-Length", "0")
        self.end_headers()


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    threading.Thread(target=lambda: (sys.stdin.read(), os._exit(0)), daemon=True).start()
    threading.Timer(300, lambda: os._exit(0)).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
