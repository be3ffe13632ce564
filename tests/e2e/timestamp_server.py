#!/usr/bin/env python3
"""A time-stamping authority on 127.0.0.1 for the signing test: answers each RFC 3161
request with `openssl ts -reply`, signed by the test authority's time-stamping
certificate. Prints its port once it listens, then serves until it is ended.

    timestamp_server.py DIR     (DIR holds tsa.cnf, tsa.key, tsa.pem and ca.pem)
"""
import http.server
import os
import subprocess
import sys
import tempfile

folder = sys.argv[1]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with tempfile.TemporaryDirectory() as work:
            query_file = os.path.join(work, "query.tsq")
            reply_file = os.path.join(work, "reply.tsr")
            with open(query_file, "wb") as f:
                f.write(query)
            made = subprocess.run(
                ["openssl", "ts", "-reply", "-config", "tsa.cnf", "-queryfile", query_file, "-inkey", "tsa.key",
                 "-signer", "tsa.pem", "-chain", "ca.pem", "-out", reply_file],
                cwd=folder, capture_output=True).returncode == 0
            reply = open(reply_file, "rb").read() if made else b""
        self.send_response(200 if made else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
