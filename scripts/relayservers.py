#!/usr/bin/python3
"""Loopback relay servers for the tests: an FTP server (pyftpdlib) holding the package files, the
status service over TLS that answers the client's requests, and a control port on which tests add
communication IDs, set faults and read the request log. Everything listens on 127.0.0.1 on ports the
system hands out; the ports go into the ini file named by --ini once all three listen.

Control protocol: one JSON object per line in, one JSON object per line out.
  {"cmd": "add", "id": ID}                             -> {"ok": true, "password": FTP password}
  {"cmd": "fault", "id": ID, "fault": NAME, "value": V}  set a fault (see FAULTS); {"cmd": "clear", "id": ID}
  {"cmd": "log", "id": ID}                             -> {"requests": [base64 of each raw request]}
  {"cmd": "entry", "id": ID, "kind": "folder"|"area", "n": 1..10, "fields": {...}}
  {"cmd": "state", "id": ID}                           -> folders, areas and cash-book folders
  {"cmd": "clock", "id": ID, "value": "YYYY/MM/DD HH:NN:SS"}  fixes the service time of an ID
"""

import argparse
import base64
import datetime
import json
import os
import random
import shutil
import socket
import socketserver
import ssl
import string
import sys
import threading
import urllib.parse

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.log import logger
from pyftpdlib.servers import FTPServer

# Status faults: down (no reply), code (reply this code), short (a code line of 12 bytes),
# blank (this many empty lines before the reply), cut (close after this many lines), time (the time
# value of the start-of-use reply 1833).
# FTP faults: login (refuse the login), missingfolder (folder "NN" is missing), truncate (an upload keeps
# half its bytes), dropdata (a data connection closes after its first block), renameto (a rename onto the
# file name given as the value is refused).
FAULTS = {"down", "code", "short", "blank", "cut", "time", "login", "missingfolder", "truncate", "dropdata",
          "renameto"}

LOCK = threading.RLock()
IDS = {}
FTP_ROOT = ""


def empty_entry():
    return {
        "DataName": "",
        "FiscalYear": "",
        "PeriodStart": "",
        "PeriodEnd": "",
        "SendTime": "",
        "Password": "",
        "Version": "",
        "ReceiveTime": "",
        "ShareStatus": "1",
        "UserOperator": "",
        "UserComputer": "",
    }


def account(ident):
    return IDS.get(ident)


def now_of(acc):
    if acc.get("clock"):
        return datetime.datetime.strptime(acc["clock"], "%Y/%m/%d %H:%M:%S")
    return datetime.datetime.now().replace(microsecond=0)


def separated(t):
    return t.strftime("%Y/%m/%d %H:%M:%S")


def compact(t):
    return t.strftime("%Y%m%d%H%M%S")


def label(text, position):
    """A label of the bytes before a value position (CP932, cut or filled to size)."""
    raw = text.encode("cp932")[: position - 1]
    return raw + b" " * (position - 1 - len(raw))


def line(text, position, value):
    if isinstance(value, str):
        value = value.encode("cp932")
    return label(text, position) + value


def period_value(v):
    # fKis / fKie: eight digits of date and four zeros.
    if len(v) >= 8 and v[:8].isdigit():
        return "%s/%s/%s 00:00:00" % (v[0:4], v[4:6], v[6:8])
    return v


def entry_lines(entry, area):
    lines = [
        line("フォルダ番号", 14, entry.get("Number", "")),
        line("データ名", 11, entry["DataName"]),
        line("年度", 11, entry["FiscalYear"]),
        line("期首日時", 12, entry["PeriodStart"]),
        line("期末日時", 12, entry["PeriodEnd"]),
        line("送信日時", 11, entry["SendTime"]),
        line("パスワード", 11, entry["Password"]),
        line("バージョン", 13, entry["Version"]),
        line("受信日時", 11, entry["ReceiveTime"]),
    ]
    if area:
        lines += [
            line("共有状態", 14, entry["ShareStatus"]),
            line("利用者", 15, entry["UserOperator"]),
            line("利用端末", 15, entry["UserComputer"]),
        ]
    return lines


def remove_ftp_file(ident, folder, name):
    path = os.path.join(FTP_ROOT, ident, "%02d" % folder, name)
    if os.path.isfile(path):
        os.remove(path)


def code_line(code):
    return line("結果コード", 11, code)


def handle_request(query):
    """The reply lines after the header block, and the ID the request was made for."""
    params = {}
    for part in query.split("&"):
        key, _, value = part.partition("=")
        params[key] = urllib.parse.unquote(value)
    code = params.get("Scode", "")
    ident = params.get("sFName", "")
    acc = account(ident)

    def failed(result_line):
        # The step requests carry their code in line 6, after the time line.
        if code in ("1810", "1820", "1823", "1830", "1833"):
            return [line("TIME", 8, ""), result_line]
        return [result_line]

    if acc is None:
        return ident, failed(code_line("920"))
    forced = acc["faults"].get("code")
    if forced is not None:
        return ident, failed(code_line(forced))
    if "short" in acc["faults"]:
        return ident, failed(line("結果コード", 11, "00"))
    try:
        number = int(params.get("fSname", "0"))
    except ValueError:
        number = 0
    t = now_of(acc)
    ok = code_line("000")
    if code in ("1720", "1725"):
        area = code == "1725"
        entries = acc["areas"] if area else (acc["folders"])
        body = [ok, line("FTPHOST", 8, "127.0.0.1"), line("FTPPASS", 8, acc["password"]), b"RESERVE"]
        for i, e in enumerate(entries):
            e = dict(e, Number="%02d" % (i + 1))
            body += entry_lines(e, area)
        return ident, body
    if not 1 <= number <= 10:
        return ident, [code_line("910")]
    folder = acc["folders"][number - 1]
    area = acc["areas"][number - 1]
    if code == "1730":
        area["ShareStatus"] = params.get("fShare", "")
        if area["ShareStatus"] != "2":
            area["UserOperator"] = area["UserComputer"] = ""
        return ident, [ok]
    if code == "1750":
        acc["folders"][number - 1] = empty_entry()
        remove_ftp_file(ident, number, "placc.wen")
        return ident, [ok]
    if code == "1753":
        acc["areas"][number - 1] = empty_entry()
        remove_ftp_file(ident, number, "cplacc.wen")
        return ident, [ok]
    if code in ("1810", "1820", "1823"):
        target = area if code == "1823" else folder
        target.update(
            DataName=params.get("fSg", ""),
            FiscalYear=params.get("fNe", ""),
            PeriodStart=period_value(params.get("fKis", "")),
            PeriodEnd=period_value(params.get("fKie", "")),
            SendTime=separated(t),
            Password=params.get("fPa", ""),
            Version=params.get("fYobi", ""),
            ReceiveTime="0000/00/00 00:00:00",
        )
        if code == "1823":
            target.update(UserOperator=params.get("fOpName", ""), UserComputer=params.get("fPcName", ""))
        return ident, [line("TIME", 8, compact(t)), ok]
    if code == "1830":
        # The client reads this time at the positions of the separated form.
        folder["ReceiveTime"] = separated(t)
        return ident, [line("TIME", 8, separated(t)), ok]
    if code == "1833":
        area.update(
            ShareStatus="2",
            UserOperator=params.get("fOpName", ""),
            UserComputer=params.get("fPcName", ""),
            ReceiveTime=separated(t),
        )
        return ident, [line("TIME", 8, acc["faults"].get("time", separated(t))), ok]
    return ident, [code_line("900")]


class StatusHandler(socketserver.BaseRequestHandler):
    context = None

    def handle(self):
        try:
            conn = self.context.wrap_socket(self.request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        conn.settimeout(10)
        raw = b""
        try:
            while b"\r\n\r\n" not in raw:
                chunk = conn.recv(4096)
                if not chunk:
                    return
                raw += chunk
            # The client ends its request with one more CR LF after the header block.
            conn.settimeout(2)
            try:
                while not raw.endswith(b"\r\n\r\n\r\n"):
                    chunk = conn.recv(4096)
                    if not chunk:
                        break
                    raw += chunk
            except socket.timeout:
                pass
            first = raw.split(b"\r\n", 1)[0].decode("latin-1")
            query = ""
            if first.startswith("GET /request.php?") and first.endswith(" HTTP/1.0"):
                query = first[len("GET /request.php?") : -len(" HTTP/1.0")]
            params = dict(p.partition("=")[::2] for p in query.split("&"))
            with LOCK:
                acc = account(params.get("sFName", ""))
                if acc is not None:
                    acc["log"].append(base64.b64encode(raw).decode("ascii"))
                    faults = dict(acc["faults"])
                else:
                    faults = {}
                if "down" in faults:
                    return
                _, body = handle_request(query)
            lines = [b"HTTP/1.0 200 OK", b"Content-Type: text/plain; charset=Shift_JIS", b"Connection: close", b""]
            lines += body
            lines = [b""] * int(faults.get("blank", 0)) + lines
            if "cut" in faults:
                lines = lines[: int(faults["cut"])]
            conn.sendall(b"".join(l + b"\r\n" for l in lines))
        except (ssl.SSLError, OSError):
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass


class Authorizer(DummyAuthorizer):
    def validate_authentication(self, username, password, handler):
        with LOCK:
            acc = account(username)
            if acc is not None and "login" in acc["faults"]:
                raise AuthenticationFailed("Authentication failed.")
        DummyAuthorizer.validate_authentication(self, username, password, handler)


class FaultyDTP(DTPHandler):
    def handle_read(self):
        DTPHandler.handle_read(self)
        if self._fault("dropdata"):
            self._drop()

    handle_read_event = handle_read

    def send(self, data):
        if not self._fault("dropdata"):
            return DTPHandler.send(self, data)
        sent = DTPHandler.send(self, data[: max(1, len(data) // 2)])
        self._drop()
        return sent

    def _drop(self):
        # The control connection says so, as a server does when its data connection breaks.
        self._resp = ("426 Connection closed; transfer aborted.", logger.info)
        self.close()

    def _fault(self, name):
        with LOCK:
            acc = account(self.cmd_channel.username or "")
            return acc is not None and name in acc["faults"]


class RelayFtpHandler(FTPHandler):
    dtp_handler = FaultyDTP
    # Downloads go through send(), so that a fault can cut them.
    use_sendfile = False
    authorizer = Authorizer()
    permit_foreign_addresses = False

    def ftp_RNTO(self, path):
        with LOCK:
            acc = account(self.username or "")
            refused = acc["faults"].get("renameto") if acc is not None else None
        if refused and os.path.basename(path) == refused:
            self._rnfr = None
            self.respond("550 Rename refused.")
            return None
        return FTPHandler.ftp_RNTO(self, path)

    def on_file_received(self, file):
        with LOCK:
            acc = account(self.username or "")
            truncate = acc is not None and "truncate" in acc["faults"]
        if truncate:
            size = os.path.getsize(file)
            with open(file, "r+b") as f:
                f.truncate(size // 2)


def add_id(ident):
    password = "".join(random.choice(string.ascii_letters + string.digits) for _ in range(8))
    home = os.path.join(FTP_ROOT, ident)
    shutil.rmtree(home, ignore_errors=True)
    for n in range(1, 11):
        os.makedirs(os.path.join(home, "%02d" % n))
    IDS[ident] = {
        "password": password,
        "folders": [empty_entry() for _ in range(10)],
        "areas": [empty_entry() for _ in range(10)],
        "faults": {},
        "log": [],
        "clock": "",
    }
    if RelayFtpHandler.authorizer.has_user(ident):
        RelayFtpHandler.authorizer.remove_user(ident)
    RelayFtpHandler.authorizer.add_user(ident, password, home, perm="elradfmwMT")
    return password


def control(msg):
    cmd = msg.get("cmd")
    ident = msg.get("id", "")
    with LOCK:
        if cmd == "add":
            return {"ok": True, "password": add_id(ident)}
        acc = account(ident)
        if acc is None:
            return {"ok": False, "error": "unknown id"}
        if cmd == "fault":
            name = msg.get("fault")
            if name not in FAULTS:
                return {"ok": False, "error": "unknown fault"}
            acc["faults"][name] = str(msg.get("value", ""))
            if name == "missingfolder":
                shutil.rmtree(os.path.join(FTP_ROOT, ident, str(msg.get("value"))), ignore_errors=True)
            return {"ok": True}
        if cmd == "clear":
            acc["faults"] = {}
            return {"ok": True}
        if cmd == "log":
            return {"ok": True, "requests": list(acc["log"])}
        if cmd == "entry":
            entries = acc["areas"] if msg.get("kind") == "area" else acc["folders"]
            entries[int(msg["n"]) - 1].update(msg.get("fields", {}))
            return {"ok": True}
        if cmd == "state":
            return {"ok": True, "folders": acc["folders"], "areas": acc["areas"]}
        if cmd == "clock":
            acc["clock"] = msg.get("value", "")
            return {"ok": True}
    return {"ok": False, "error": "unknown command"}


class ControlHandler(socketserver.StreamRequestHandler):
    def handle(self):
        for raw in self.rfile:
            try:
                reply = control(json.loads(raw.decode("utf-8")))
            except (ValueError, KeyError, TypeError) as e:
                reply = {"ok": False, "error": str(e)}
            self.wfile.write(json.dumps(reply, ensure_ascii=False).encode("utf-8") + b"\n")
            self.wfile.flush()


class Threaded(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    global FTP_ROOT
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--ini", required=True)
    parser.add_argument("--ca", required=True)
    parser.add_argument("--other-ca", required=True)
    args = parser.parse_args()
    FTP_ROOT = os.path.join(args.dir, "ftp")
    shutil.rmtree(FTP_ROOT, ignore_errors=True)
    os.makedirs(FTP_ROOT)

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(args.cert, args.key)
    StatusHandler.context = context

    status = Threaded(("127.0.0.1", 0), StatusHandler)
    ctl = Threaded(("127.0.0.1", 0), ControlHandler)
    RelayFtpHandler.passive_ports = None
    ftp = FTPServer(("127.0.0.1", 0), RelayFtpHandler)
    for server in (status, ctl):
        threading.Thread(target=server.serve_forever, daemon=True).start()
    ftp_port = ftp.socket.getsockname()[1]
    tmp = args.ini + ".tmp"
    with open(tmp, "w") as f:
        f.write("[relay]\n")
        f.write("host=127.0.0.1\n")
        f.write("status_port=%d\n" % status.server_address[1])
        f.write("ftp_port=%d\n" % ftp_port)
        f.write("control_port=%d\n" % ctl.server_address[1])
        f.write("ca_file=%s\n" % args.ca)
        f.write("other_ca_file=%s\n" % args.other_ca)
    os.replace(tmp, args.ini)
    ftp.serve_forever(handle_exit=False)


if __name__ == "__main__":
    sys.exit(main())
