#!/usr/bin/python3
"""A stand-in for the management-analysis service, for the tests of the cloud upload.

HTTPS on 127.0.0.1 answers /request.php?pmd=1000 (hands out FTP access) and pmd=1100 (opens the uploaded
archive with its password and imports the dump into MariaDB), with the headers X-Add, X-Pas and
X-Status; an FTP server on 127.0.0.1 accepts the user and password it handed out. Prints
"READY <https port> <ftp port>" when both listen. Every request is logged to <dir>/requests.log.

--fault (or the file <dir>/fault, read at every request) chooses a misbehaviour: http500, nostatus,
status=NNN (access), badpass (a password the FTP server refuses), noslot (no slot folders), readonly
(uploads refused), import=NNN (import answer), stall=PMD (the request of that mode is read and never
answered: the connection stays open until the client gives up).
"""
import argparse
import os
import re
import secrets
import ssl
import subprocess
import threading
import urllib.parse
import zipfile
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import ThreadedFTPServer

args = None
authorizer = DummyAuthorizer()
lock = threading.Lock()


def log(line):
    with lock, open(os.path.join(args.dir, "requests.log"), "a", encoding="utf-8") as f:
        f.write(line + "\n")


def fault():
    try:
        with open(os.path.join(args.dir, "fault"), encoding="utf-8") as f:
            return f.read().strip()
    except OSError:
        return args.fault


def import_dump(data):
    host, port = args.mariadb.split(":")[:2]
    cmd = ["mariadb", "--no-defaults", "-uroot", "-h", host, "-P", port, "--default-character-set=utf8mb4"]
    r = subprocess.run(cmd, input=data, capture_output=True)
    with open(os.path.join(args.dir, "import.log"), "ab") as f:
        f.write(r.stdout + r.stderr)
    return r.returncode == 0


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *a):
        pass

    def answer(self, status, headers=None, code=200):
        self.send_response(code)
        for k, v in (headers or {}).items():
            self.send_header(k, v)
        if status is not None:
            self.send_header("X-Status", status)
        # A value holding ":" checks that only the first colon splits a header.
        self.send_header("X-Note", "a:b")
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        q = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        log("GET %s UA=%s" % (self.path, self.headers.get("User-Agent")))
        if url.path != "/request.php":
            return self.answer(None, code=404)
        if self.headers.get("User-Agent") != "Tesuvio":
            return self.answer("900")
        if fault() == "stall=" + q.get("pmd", ""):
            try:
                self.rfile.read()  # until the client closes the connection
            except OSError:
                pass
            self.close_connection = True
            return
        fnm = q.get("fnm", "")
        if fnm not in args.ids.split(","):
            return self.answer("902")
        if q.get("pmd") == "1000":
            return self.access(fnm)
        if q.get("pmd") == "1100":
            return self.import_(fnm, q)
        return self.answer("901")

    def access(self, fnm):
        misbehaviour = fault()
        if misbehaviour == "http500":
            return self.answer("000", code=500)
        if misbehaviour == "nostatus":
            return self.answer(None, {"X-Add": "127.0.0.1", "X-Pas": "x"})
        if misbehaviour.startswith("status="):
            return self.answer(misbehaviour[7:])
        home = os.path.join(args.dir, "ftp", fnm)
        os.makedirs(home, exist_ok=True)
        if misbehaviour != "noslot":
            for n in range(1, 11):
                os.makedirs(os.path.join(home, "%02d" % n), exist_ok=True)
        password = secrets.token_hex(8)
        with lock:
            if authorizer.has_user(fnm):
                authorizer.remove_user(fnm)
            authorizer.add_user(fnm, password, home, perm="elr" if misbehaviour == "readonly" else "elradfmw")
        given = "wrong" + password if misbehaviour == "badpass" else password
        self.answer("000", {"X-Add": "127.0.0.1", "X-Pas": given})

    def import_(self, fnm, q):
        if fault().startswith("import="):
            return self.answer(fault()[7:])
        dno = q.get("dno", "")
        if not re.fullmatch(r"([1-9]|10)", dno):
            return self.answer("911")
        if not re.fullmatch(r"\d+\.\d+\.0", q.get("dvr", "")):
            return self.answer("913")
        path = os.path.join(args.dir, "ftp", fnm, "%02d" % int(dno), "placc.zip")
        try:
            archive = zipfile.ZipFile(path)
        except Exception:
            return self.answer("921")
        with archive:
            if archive.namelist() != ["placc.sql"]:
                return self.answer("924")
            try:
                data = archive.read("placc.sql", pwd=q.get("fpa", "").encode())
            except RuntimeError:
                return self.answer("922")
            except Exception:
                return self.answer("923")
        with open(os.path.join(args.dir, "received.sql"), "wb") as f:
            f.write(data)
        self.answer("000" if import_dump(data) else "999")


def main():
    global args
    p = argparse.ArgumentParser()
    p.add_argument("--dir", required=True)
    p.add_argument("--cert", required=True)
    p.add_argument("--key", required=True)
    p.add_argument("--ids", required=True)
    p.add_argument("--mariadb", default="")
    p.add_argument("--fault", default="")
    args = p.parse_args()

    https = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(args.cert, args.key)
    https.socket = context.wrap_socket(https.socket, server_side=True)

    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "stand-in analysis FTP"
    ftp = ThreadedFTPServer(("127.0.0.1", 0), handler)

    threading.Thread(target=https.serve_forever, daemon=True).start()
    threading.Thread(target=ftp.serve_forever, daemon=True).start()
    print("READY %d %d" % (https.server_address[1], ftp.address[1]), flush=True)
    try:
        input()  # runs until the test closes our standard input
    except EOFError:
        pass
    ftp.close_all()
    https.shutdown()


if __name__ == "__main__":
    main()
