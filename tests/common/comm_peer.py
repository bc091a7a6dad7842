#!/usr/bin/python3
"""Loopback peers of the data communication: the status server (HTTPS) and the relay file server
(FTP), on 127.0.0.1 at free ports.

Usage: comm_peer.py <dir>. <dir>/control.json holds the scripted state and is read again on every
request: {"users": {ID: {"ftp_password": ..}}, "clock": "2024-06-07 08:09:10",
"codes": {"1720": "920"}, "cut": ["1833"], "drop": ["1725"],
"ftp": {"short_stor": false, "refuse_rename": false, "drop_stor": false}}.
The peer writes <dir>/ports.json once both listen, appends every status request to
<dir>/requests.jsonl and keeps the FTP homes in <dir>/ftp/<ID>/01 .. /10.
"""
import base64, datetime, http.server, json, os, ssl, subprocess, sys, threading, urllib.parse

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import ThreadedFTPServer

DIR = sys.argv[1]
LOCK = threading.Lock()
FOLDERS = {}  # (id, cloud, "01") -> record


def control():
    try:
        with open(os.path.join(DIR, "control.json"), encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


def now(ctl):
    c = ctl.get("clock")
    return datetime.datetime.strptime(c, "%Y-%m-%d %H:%M:%S") if c else datetime.datetime.now().replace(microsecond=0)


def b64(text):
    return base64.b64encode(text.encode("cp932")).decode()


def record_lines(n, rec, cloud):
    r = rec or {}
    def t(key):
        v = r.get(key, "")
        return v
    lines = ["FolderNo   : %02d" % n, "DataName: " + t("name"), "Nendo   : " + t("nendo"),
             "KikanSta  : " + t("kis"), "KikanEnd  : " + t("kie"), "SendTime: " + t("send"),
             "DataPass: " + t("pa"), "Version    : " + t("yobi"), "RecvTime: " + (t("recv") or "0000/00/00 00:00:00")]
    if cloud:
        lines += ["ShareStat  : " + (t("share") or "1"), "ShareOpName : " + t("op"), "SharePcName : " + t("pc")]
    return lines


SEEDED = [None]


def seed_areas(ctl):
    """"areas": {ID: {"03": {"name": .., "send": .., "pa": .., "share": "2", "op": .., "pc": ..}}} puts
    cloud areas in place (plain texts; name, op and pc are stored Base64 as the server keeps them).
    Applied once per distinct value, so later requests change the areas as usual."""
    areas = ctl.get("areas")
    if not areas or SEEDED[0] == areas:
        return
    SEEDED[0] = areas
    for uid, folders in areas.items():
        for folder, rec in folders.items():
            r = dict(rec)
            for k in ("name", "op", "pc"):
                if r.get(k):
                    r[k] = b64(r[k])
            FOLDERS[(uid, True, folder)] = r


def period(v):  # "yyyymmdd0000" -> "yyyy/mm/dd 00:00"
    return "%s/%s/%s 00:00" % (v[0:4], v[4:6], v[6:8]) if len(v) >= 8 else ""


class Status(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *a):
        pass

    def do_GET(self):
        ctl = control()
        url = urllib.parse.urlsplit(self.path)
        # Both services answer at "/request.php": the analysis service's requests carry "pmd",
        # the status server's "Scode".
        if url.path == "/request.php" and "pmd=" in url.query and "Scode=" not in url.query:
            return azimo_request(self, ctl)
        q = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        code = q.get("Scode", "")
        with LOCK:
            with open(os.path.join(DIR, "requests.jsonl"), "a", encoding="utf-8") as f:
                f.write(json.dumps({"code": code, "path": url.path, "params": q,
                                    "headers": [k + ": " + v for k, v in self.headers.items()]}) + "\n")
        if code in ctl.get("drop", []):
            self.close_connection = True
            self.connection.shutdown(2)
            return
        uid = q.get("sFName", "")
        result = ctl.get("codes", {}).get(code, "000")
        if uid not in ctl.get("users", {}) and code in ("1720", "1725"):
            result = ctl.get("codes", {}).get(code, "920")
        t = now(ctl)
        body = []
        with LOCK:
            seed_areas(ctl)
            cloud = code in ("1725", "1753", "1823", "1833", "1730")
            key = (uid, cloud, q.get("fSname", ""))
            if code in ("1720", "1725"):
                body = ["ResultCd: " + result]
                if result == "000":
                    body += ["FtpHst: 127.0.0.1", "FtpPas: " + ctl["users"][uid]["ftp_password"], "Reserved"]
                    for i in range(10):
                        body += record_lines(i + 1, FOLDERS.get((uid, code == "1725", "%02d" % (i + 1))), code == "1725")
            elif code in ("1730", "1750", "1753"):
                if result == "000":
                    if code == "1730":
                        FOLDERS.setdefault(key, {})["share"] = "1"
                    else:
                        FOLDERS.pop(key, None)
                body = ["ResultCd: " + result]
            elif code == "1833":
                if result == "000":
                    r = FOLDERS.setdefault(key, {})
                    r.update(share="2", op=q.get("fOpName", ""), pc=q.get("fPcName", ""))
                body = ["SrvTim:" + t.strftime("%Y-%m-%d %H:%M:%S"), "ResultCd: " + result]
            elif code in ("1810", "1820", "1823"):
                if result == "000":
                    r = FOLDERS.setdefault(key, {})
                    r.update(name=q.get("fSg", ""), nendo=q.get("fNe", ""), kis=period(q.get("fKis", "")),
                             kie=period(q.get("fKie", "")), pa=q.get("fPa", ""), yobi=q.get("fYobi", ""),
                             send=t.strftime("%Y/%m/%d %H:%M:%S"), recv="")
                    if code == "1823":
                        r.update(share="1", op="", pc="")
                stamp = t.strftime("%Y%m%d%H%M%S") if code == "1823" else t.strftime("%Y%m%d%H%M")
                body = [("SrvTim:" if code == "1823" else "SndTim:") + stamp, "ResultCd: " + result]
            elif code == "1830":
                if result == "000":
                    FOLDERS.setdefault(key, {})["recv"] = t.strftime("%Y/%m/%d %H:%M:%S")
                body = ["RcvTim:" + t.strftime("%Y%m%d%H%M"), "ResultCd: " + result]
            else:
                body = ["ResultCd: 999"]
        text = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n" + "\r\n".join(body) + "\r\n"
        data = text.encode("cp932")
        if code in ctl.get("cut", []):
            data = data[: len(data) // 2]
        self.wfile.write(data)


def azimo_request(handler, ctl):
    """The cloud analysis service's request.php: answers in the headers X-Add, X-Pas, X-Status.
    Scripted by ctl["azimo"]: {"status": {"1000": "000"}, "http": {"1000": 500},
    "no_status": ["1000"], "pas": "wrong"}. Every request is appended, raw path included, to
    <dir>/azimo_requests.jsonl."""
    az = ctl.get("azimo", {})
    raw = handler.path
    q = dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(raw).query, keep_blank_values=True, encoding="cp932"))
    pmd = q.get("pmd", "")
    with LOCK:
        with open(os.path.join(DIR, "azimo_requests.jsonl"), "a", encoding="utf-8") as f:
            f.write(json.dumps({"path": raw, "params": q,
                                "headers": [k + ": " + v for k, v in handler.headers.items()]}) + "\n")
    code = int(az.get("http", {}).get(pmd, 200))
    uid = q.get("fnm", "")
    status = az.get("status", {}).get(pmd, "000" if uid in ctl.get("users", {}) else "902")
    lines = ["HTTP/1.0 %d %s" % (code, "OK" if code == 200 else "Error"), "Content-Type: text/plain", "Connection: close"]
    if pmd == "1000" and uid in ctl.get("users", {}):
        lines += ["X-Add: 127.0.0.1", "X-Pas: " + az.get("pas", ctl["users"][uid]["ftp_password"])]
    if pmd not in az.get("no_status", []):
        lines.append("X-Status: " + status)
    handler.wfile.write(("\r\n".join(lines) + "\r\n\r\nok\r\n").encode("cp932"))


class Ftp(FTPHandler):
    def ftp_RNFR(self, path):
        if control().get("ftp", {}).get("refuse_rename"):
            self.respond("550 Rename refused.")
            return
        return super().ftp_RNFR(path)

    def ftp_STOR(self, file, mode="w"):
        if control().get("ftp", {}).get("drop_stor"):
            self.close()
            return
        return super().ftp_STOR(file, mode)

    def on_file_received(self, file):
        if control().get("ftp", {}).get("short_stor"):
            size = os.path.getsize(file)
            with open(file, "r+b") as f:
                f.truncate(size // 2)


def main():
    ctl = control()
    cert, key = os.path.join(DIR, "cert.pem"), os.path.join(DIR, "key.pem")
    if not os.path.exists(cert):
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                        "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    auth = DummyAuthorizer()
    for uid, u in ctl.get("users", {}).items():
        home = os.path.join(DIR, "ftp", uid)
        for i in range(1, 11):
            os.makedirs(os.path.join(home, "%02d" % i), exist_ok=True)
        auth.add_user(uid, u["ftp_password"], home, perm="elradfmwMT")
    Ftp.authorizer = auth
    Ftp.passive_ports = None
    Ftp.masquerade_address = None
    ftp = ThreadedFTPServer(("127.0.0.1", 0), Ftp)
    httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Status)
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.minimum_version = ssl.TLSVersion.TLSv1_2
    ctx.load_cert_chain(cert, key)
    httpd.socket = ctx.wrap_socket(httpd.socket, server_side=True)
    threading.Thread(target=httpd.serve_forever, daemon=True).start()
    threading.Thread(target=ftp.serve_forever, kwargs={"handle_exit": False}, daemon=True).start()
    tmp = os.path.join(DIR, "ports.json.tmp")
    with open(tmp, "w") as f:
        json.dump({"https": httpd.server_address[1], "ftp": ftp.address[1]}, f)
    os.rename(tmp, os.path.join(DIR, "ports.json"))
    threading.Event().wait()


if __name__ == "__main__":
    main()
