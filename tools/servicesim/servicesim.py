#!/usr/bin/env python3
"""Local stand-in for every host Velmira 2 talks to.

One threaded HTTP server on 127.0.0.1 plays all endpoints of src/login/Endpoints.cpp: the first
path segment names the endpoint (the virtual host), the rest is that host's path. The service's
data server lives under /data, the test controls under /_control. See README.md.
"""

import argparse
import base64
import calendar
import configparser
import datetime
import hashlib
import json
import mimetypes
import os
import select
import signal
import socket
import socketserver
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))

# Must stay in step with src/login/Endpoints.cpp (selftest.py compares them).
ENDPOINTS = [
    ("biglobe-gateway", "gw.biglobe.example"),
    ("nifty-login", "sso.nifty.example"),
    ("nifty-member", "member.nifty.example"),
    ("sonet-web", "www.so-net.example"),
    ("ocn-payment", "pay.ocn.example"),
    ("service-main", "www.rinvale.example"),
    ("service-top", "rinvale.example"),
    ("service-webmoney", "wm.rinvale.example"),
    ("service-biglobe", "biglobe.rinvale.example"),
    ("service-sonet", "sonet.rinvale.example"),
    ("service-bitcash", "bitcash.rinvale.example"),
    ("service-wallet", "wallet.rinvale.example"),
    ("yahoo-top", "www.yahoo-japan.example"),
    ("yahoo-help", "help.yahoo-japan.example"),
    ("yahoo-auth", "auth.yahoo-japan.example"),
    ("yahoo-login", "login.yahoo-japan.example"),
]
ENDPOINT_NAMES = [name for name, _ in ENDPOINTS]

DATA_SEGMENT = "data"
CONTROL_SEGMENT = "_control"

# code, settings-file section, new prefix, old prefix, dated
KINDS = [
    ("hb", "SYUTUBA+KYOUSOUBA", "rv3_hb", "hb", True),
    ("hz", "SYUTUBA+KYOUSOUBA2", "rv3_hz", "hz", True),
    ("dkis", "KISYU", "rv3_dkis", "dkis", False),
    ("ekyu", "KYUSYA", "rv3_ekyu", "ekyu", False),
    ("fket", "KETTOU3D", "rv3_fket.", "fket.", False),
    ("fket5", "KETTOU5D", "rv3_fket5", "fket5", False),
    ("gsyu", "SYUBOBA", "rv3_gsyu", "gsyu", False),
    ("nd", "TOKUBETU", "rv3_nd", "nd", True),
    ("jb", "YODDS", "rv3_jb", "j", True),
    ("mb", "COMMENT_SYUTUBA", "rv3_mb", "mb", True),
    ("ib", "SEISEKI+KYOUSOUBA", "rv3_ib", "ib", True),
    ("kd", "KODDS", "rv3_kd", "kd", True),
    ("lb", "COMMENT_SEISEKI", "rv3_lb", "lb", True),
]
KIND_BY_CODE = {k[0]: k for k in KINDS}

# Courses each kind section is offered to; the mixed spellings are deliberate.
SECTION_TYPES = {"hz": "bc", "lb": "Ac"}

EXT = "lzh"

# File sizes by kind, in KiB (low, high); the 5代血統図 file is the big one.
SIZE_RANGES = {
    "fket5": (20 * 1024, 28 * 1024),
    "fket": (2 * 1024, 4 * 1024),
    "hb": (200, 600),
    "hz": (200, 600),
    "ib": (150, 600),
    "dkis": (100, 400),
    "ekyu": (100, 400),
    "gsyu": (200, 600),
    "nd": (20, 150),
    "mb": (20, 120),
    "lb": (20, 120),
    "jb": (4, 40),
    "kd": (4, 40),
    None: (4, 64),
}

CHUNK = 64 * 1024
WEEKDAYS = "月火水木金土日"
MEMBER_PAGES = {"/credit/m2-member/": "a", "/credit/m3-member/": "b", "/credit/m4-member/": "c"}
COURSE_LABELS = {"a": "Aコース", "b": "Bコース", "c": "Cコース"}


def log(text):
    sys.stderr.write("servicesim: " + text + "\n")
    sys.stderr.flush()


# ---------------------------------------------------------------------------------------------
# Accounts


def read_ini(path):
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str  # user names keep their case
    with open(path, encoding="utf-8") as f:
        parser.read_file(f)
    return parser


def load_download_accounts(path):
    """Gives ({user: password}, {"rv2": url, "rv3": url}) from accounts.ini."""
    ini = read_ini(path)
    accounts = {}
    for _, value in ini.items("download"):
        user, password = value.split()
        accounts[user] = password
    settings = {fmt: ini.get("settings", fmt).strip() for fmt in ("rv2", "rv3")}
    return accounts, settings


def load_members(path):
    """Gives {user: (password, courses)} from members.ini."""
    ini = read_ini(path)
    members = {}
    for user, value in ini.items("credit"):
        password, courses = value.split()
        members[user] = (password, courses.lower())
    return members


# ---------------------------------------------------------------------------------------------
# Data files


def kind_of_file(name):
    if name.startswith("rv3"):
        matches = [k[0] for k in KINDS if name.startswith(k[2])]
    else:
        matches = [k[0] for k in KINDS if name.startswith(k[3])]
    return matches[0] if matches else None


def file_size(name):
    low, high = SIZE_RANGES[kind_of_file(name)]
    digest = hashlib.sha256(b"size:" + name.encode("utf-8", "surrogateescape")).digest()
    return low * 1024 + int.from_bytes(digest[:8], "big") % ((high - low) * 1024 + 1)


def file_chunks(name, size):
    """Content of a generated file: SHA-256(name + 8-byte big-endian counter) for counter
    0, 1, 2 ... concatenated and cut to the size. Made chunk by chunk, never whole."""
    seed = hashlib.sha256(name.encode("utf-8", "surrogateescape"))
    blocks = CHUNK // 32
    counter = 0
    left = size
    while left > 0:
        parts = []
        for i in range(counter, counter + blocks):
            h = seed.copy()
            h.update(i.to_bytes(8, "big"))
            parts.append(h.digest())
        counter += blocks
        chunk = b"".join(parts)[:left]
        left -= len(chunk)
        yield chunk


def disk_chunks(path):
    with open(path, "rb") as f:
        while True:
            chunk = f.read(CHUNK)
            if not chunk:
                return
            yield chunk


def bytes_chunks(data):
    for i in range(0, len(data), CHUNK):
        yield data[i : i + CHUNK]


# ---------------------------------------------------------------------------------------------
# Server settings files


def shift_month(year, month, delta):
    index = year * 12 + (month - 1) + delta
    return index // 12, index % 12 + 1


def race_saturdays(year, month):
    """Saturdays of the month whose Sunday falls in the same month."""
    last = calendar.monthrange(year, month)[1]
    return [datetime.date(year, month, d) for d in range(1, last) if datetime.date(year, month, d).weekday() == 5]


class RaceCalendar:
    def __init__(self, today):
        self.today = today
        y, m = today.year, today.month
        this = race_saturdays(y, m)
        past = [d for d in this if d <= today]
        self.sat = past[-1] if past else this[0]
        self.sun = self.sat + datetime.timedelta(days=1)
        self.next_sat = race_saturdays(*shift_month(y, m, 1))[0]
        self.last_sat = race_saturdays(*shift_month(y, m, -1))[-1]
        self.last_sun = self.last_sat + datetime.timedelta(days=1)
        self.older_sat = race_saturdays(*shift_month(y, m, -2))[1]
        self.year_ago_sat = race_saturdays(*shift_month(y, m, -12))[1]


def dated_name(prefix, day):
    return f"{prefix}{day:%y%m%d}.{EXT}"


def archived_name(prefix, day):
    return f"{day:%y%m}/{dated_name(prefix, day)}"


def undated_name(prefix):
    return prefix + EXT if prefix.endswith(".") else f"{prefix}.{EXT}"


def kind_files(fmt, cal):
    """FILE values per kind code, each as (value, latest) where latest marks this month's
    files of the format's own naming (they make up the NEW sections)."""
    new = fmt == "rv3"

    def prefix(code):
        kind = KIND_BY_CODE[code]
        return kind[2] if new else kind[3]

    def latest(code, *days):
        return [(dated_name(prefix(code), d), True) for d in days]

    def plain(name, *days):
        return [(dated_name(name, d), False) for d in days]

    def archive(name, *days):
        return [(archived_name(name, d), False) for d in days]

    c = cal
    files = {}
    files["hb"] = latest("hb", c.sat, c.sun) + plain(prefix("hb"), c.next_sat) + archive(
        prefix("hb"), c.last_sat, c.last_sun, c.older_sat
    )
    files["hz"] = latest("hz", c.sun) + archive(prefix("hz"), c.last_sun)
    files["dkis"] = [(undated_name(prefix("dkis")), False)]
    if new:
        files["dkis"].append((undated_name("dkis"), False))  # an old-style name in the new file
    files["ekyu"] = [(undated_name(prefix("ekyu")), False)]
    files["fket"] = [(undated_name(prefix("fket")), False)]
    if new:
        files["fket5"] = [("ketto/" + undated_name(prefix("fket5")), False)]
    files["gsyu"] = [(undated_name(prefix("gsyu")), False)]
    files["nd"] = latest("nd", c.sat) + plain(prefix("nd"), c.next_sat) + archive(prefix("nd"), c.last_sat)
    if new:
        files["jb"] = latest("jb", c.sat, c.sun) + plain(prefix("jb"), c.next_sat) + plain("j", c.sat)
    else:
        # both old spellings of 予想オッズ
        files["jb"] = latest("jb", c.sat) + [(dated_name("jb", c.sun), True)] + plain("j", c.next_sat)
    files["jb"] += archive(prefix("jb"), c.last_sun)
    files["mb"] = latest("mb", c.sat, c.sun) + archive(prefix("mb"), c.last_sat)
    files["ib"] = latest("ib", c.sat, c.sun) + archive(
        prefix("ib"), c.last_sat, c.last_sun, c.older_sat, c.year_ago_sat
    )
    files["kd"] = latest("kd", c.sat, c.sun) + archive(prefix("kd"), c.last_sun, c.older_sat)
    if new:
        files["kd"] += archive("kd", c.last_sat)
    files["lb"] = latest("lb", c.sat, c.sun) + archive(prefix("lb"), c.last_sat)
    return files


HOSTILE_FILES = [
    "../evil_hb.lzh",
    "rv3_hb/../../x.lzh",
    "C:evil.lzh",
    "rv3_hb\\x.lzh",
    "..",
    "rv3_hb\x07bell.lzh",
]


def info_lines(fmt, cal, port):
    t = cal.today
    notice_day = cal.next_sat - datetime.timedelta(days=3)
    old_day = shift_month(t.year, t.month, -1)
    lines = [
        "<b>リンヴェールOnLine からのお知らせ</b><br>",
        "<hr>",
        f"■{t.year}年{t.month}月{t.day}日（{WEEKDAYS[t.weekday()]}）<br>",
        f"{cal.sat.month}月{cal.sat.day}日（土）・{cal.sun.month}月{cal.sun.day}日（日）開催分の出馬表データを公開しました。<br>",
        "特別登録出走予定馬データは毎週日曜日の夜に更新いたします。<br>",
        f'<font color="#cc0000">※{notice_day.month}月{notice_day.day}日（{WEEKDAYS[notice_day.weekday()]}）'
        "午前2時から午前6時まで、サーバー保守のためダウンロードできません。</font><br>",
        f"■{old_day[0]}年{old_day[1]}月1日<br>",
    ]
    if fmt == "rv3":
        lines.append("5代血統図データの提供を始めました。スタートページで「5代血統図」を選んでください。<br>")
    else:
        lines.append("旧形式（rv2）のデータも引き続き提供いたします。5代血統図は新形式のみです。<br>")
    lines += [
        "過去のデータは月ごとのフォルダにまとめてあります。<br>",
        f'詳しくは<a href="http://127.0.0.1:{port}/service-main/info/">お知らせページ</a>をご覧ください。<br>',
        '<font size="2" color="#666666">リンヴェールOnLine 運営事務局</font>',
    ]
    return lines


def settings_text(fmt, today, port, hostile=False):
    """The server settings file of format "rv3" or "rv2" as cp932 bytes with CR LF lines."""
    cal = RaceCalendar(today)
    files = kind_files(fmt, cal)
    if hostile:
        files["hb"] = files["hb"] + [(name, False) for name in HOSTILE_FILES]
    types = {code: SECTION_TYPES.get(code, "ABC") for code in files}

    lines = ["[INFO]"] + info_lines(fmt, cal, port) + [""]
    lines += [
        "[SITE_DATA]",
        f"URL=127.0.0.1:{port}/",
        f"TYPE={DATA_SEGMENT}/{fmt}",
        "COURSE_A=course_a",
        "COURSE_B=course_b",
        "COURSE_C=course_c",
        "",
    ]
    for letter in "abc":
        lines += [f"[NEW_{letter.upper()}]", f"TYPE={letter}"]
        for code, _, _, _, _ in KINDS:
            if code in files and letter in types[code].lower():
                lines += [f"FILE={value}" for value, is_latest in files[code] if is_latest]
        lines.append("")
    for code, section, _, _, _ in KINDS:
        if code not in files:
            continue
        lines += [f"[{section}]", f"TYPE={types[code]}"]
        lines += [f"FILE={value}" for value, _ in files[code]]
        lines.append("")
    if fmt == "rv2":
        lines.append("\x1a")  # written by an old tool that still ends files with Ctrl-Z
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


def read_sections(data):
    """Sections of a settings file by lower-case name, first occurrence only."""
    text = data.decode("cp932", "replace")
    sections = {}
    current = None
    for raw in text.split("\n"):
        line = raw[:-1] if raw.endswith("\r") else raw
        if line in ("", "\x1a"):
            continue
        if line.startswith("[") and line.endswith("]") and len(line) >= 2:
            key = line[1:-1].lower()
            current = None if key in sections else sections.setdefault(key, [])
            continue
        if current is not None:
            current.append(line)
    return sections


def section_value(lines, key):
    for line in lines:
        head, sep, value = line.partition("=")
        if sep and head.lower() == key.lower():
            return value
    return ""


def offered_files(data):
    """{course folder: set of "sub/name" or "name"} of a settings file: what the data server
    hands out under each course folder."""
    sections = read_sections(data)
    site = sections.get("site_data", [])
    result = {}
    for letter in "abc":
        folder = section_value(site, "COURSE_" + letter.upper())
        offered = result.setdefault(folder, set())
        for name, lines in sections.items():
            if name in ("info", "site_data") or letter not in section_value(lines, "TYPE").lower():
                continue
            for line in lines:
                if not line.startswith("FILE="):
                    continue
                pieces = line[5:].split("/")
                offered.add(pieces[0] + "/" + pieces[1] if len(pieces) >= 2 else pieces[0])
    return result


# ---------------------------------------------------------------------------------------------
# Pages


def html_page(title, body_lines):
    lines = [
        "<html>",
        "<head>",
        '<meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">',
        f"<title>{title}</title>",
        "</head>",
    ] + body_lines + ["</html>", ""]
    return "\r\n".join(lines).encode("cp932")


def member_page(course, with_frames):
    title = f"リンヴェールOnLine 会員ページ（{COURSE_LABELS[course]}）"
    if not with_frames:
        return html_page(title, ["<body>", "<p>ただいま会員ページを準備中です。しばらくお待ちください。</p>", "</body>"])
    return html_page(
        title,
        [
            '<frameset rows="96,*" border="0">',
            '<frame src="menu.html" name="menu" scrolling="no">',
            '<frame src="main.html" name="main">',
            "<noframes>",
            "<body>",
            "<p>このページはフレームを使用しています。フレーム対応ブラウザでご覧ください。</p>",
            "</body>",
            "</noframes>",
            "</frameset>",
        ],
    )


def info_page():
    return html_page(
        "リンヴェールOnLine お知らせ",
        [
            "<body>",
            "<h3>お知らせ</h3>",
            "<p>データは開催日の前日夕方から順次公開いたします。</p>",
            "<p>ダウンロードできない場合は、時間をおいてからもう一度お試しください。</p>",
            "</body>",
        ],
    )


# ---------------------------------------------------------------------------------------------
# Faults


FAULT_KEYS = (
    "drop",
    "stall",
    "status",
    "missing_settings",
    "redirect_foreign",
    "slow",
    "hostile_names",
    "credit_no_frame",
)


class FaultError(ValueError):
    pass


def parse_faults(raw):
    """Checks a fault set given as JSON object; gives the normalised set."""
    if not isinstance(raw, dict):
        raise FaultError("faults must be a JSON object")
    unknown = sorted(set(raw) - set(FAULT_KEYS))
    if unknown:
        raise FaultError("unknown fault: " + ", ".join(unknown))

    def names(key):
        value = raw.get(key, [])
        if not isinstance(value, list) or not all(isinstance(v, str) for v in value):
            raise FaultError(f"{key} must be a list of file names")
        return frozenset(value)

    def mapping(key, check, what):
        value = raw.get(key, {})
        if not isinstance(value, dict) or not all(check(v) for v in value.values()):
            raise FaultError(f"{key} must map file names to {what}")
        return dict(value)

    def flag(key):
        value = raw.get(key, False)
        if not isinstance(value, bool):
            raise FaultError(f"{key} must be true or false")
        return value

    missing = raw.get("missing_settings")
    if missing not in (None, "rv3", "rv2", "both"):
        raise FaultError('missing_settings must be "rv3", "rv2" or "both"')
    return {
        "drop": names("drop"),
        "stall": names("stall"),
        "redirect_foreign": names("redirect_foreign"),
        "status": mapping(
            "status", lambda v: isinstance(v, int) and not isinstance(v, bool) and 400 <= v <= 599, "a status 400-599"
        ),
        "slow": mapping(
            "slow", lambda v: isinstance(v, (int, float)) and not isinstance(v, bool) and v > 0, "bytes per second"
        ),
        "missing_settings": missing,
        "hostile_names": flag("hostile_names"),
        "credit_no_frame": flag("credit_no_frame"),
    }


def faults_json(faults):
    out = {}
    for key in FAULT_KEYS:
        value = faults[key]
        if isinstance(value, frozenset):
            if value:
                out[key] = sorted(value)
        elif value:
            out[key] = value
    return out


NO_FAULTS = parse_faults({})


# ---------------------------------------------------------------------------------------------
# Server


class SimServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port, accounts, settings_urls, members, today, data_dir, faults):
        self.accounts = accounts
        self.members = members
        self.fixed_today = today
        self.data_dir = os.path.realpath(data_dir) if data_dir else None
        self.lock = threading.Lock()
        self.faults = faults
        self.requests = []
        self.stopping = threading.Event()
        # (endpoint, path) of each settings file, from its address in accounts.ini
        self.settings_paths = {}
        for fmt, url in settings_urls.items():
            parts = urllib.parse.urlsplit(url)
            endpoint = next(name for name, host in ENDPOINTS if host == parts.hostname)
            self.settings_paths[(endpoint, parts.path)] = fmt
        super().__init__(("127.0.0.1", port), SimHandler)

    def server_bind(self):
        # no reverse name look-up of the address
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = self.server_address[:2]

    @property
    def port(self):
        return self.server_address[1]

    def today(self):
        return self.fixed_today or datetime.date.today()

    def current_faults(self):
        with self.lock:
            return self.faults

    def settings_location(self, fmt):
        for (endpoint, path), f in self.settings_paths.items():
            if f == fmt:
                return endpoint, path
        raise KeyError(fmt)

    def disk_file(self, segment, path):
        """A file of --data-dir that stands in for the resource at /segment/path, or None."""
        if not self.data_dir:
            return None
        relative = path.lstrip("/")
        if relative == "" or relative.endswith("/"):
            relative += "index.html"
        candidate = os.path.realpath(os.path.join(self.data_dir, segment, *relative.split("/")))
        if not candidate.startswith(self.data_dir + os.sep) or not os.path.isfile(candidate):
            return None
        return candidate

    def settings_bytes(self, fmt):
        endpoint, path = self.settings_location(fmt)
        disk = self.disk_file(endpoint, path)
        if disk:
            with open(disk, "rb") as f:
                return f.read()
        return settings_text(fmt, self.today(), self.port, self.current_faults()["hostile_names"])


class SimHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "servicesim/1"
    entry = None

    # -- logging ---------------------------------------------------------------------------

    def log_message(self, format, *args):
        log(format % args)

    def handle_one_request(self):
        self.entry = None  # an error answered before dispatch belongs to no logged request
        super().handle_one_request()

    def log_request(self, code="-", size="-"):
        entry = self.entry or {}
        user = entry.get("user")
        headers = getattr(self, "headers", None)
        host = headers.get("Host", "-") if headers else "-"
        log(f"{getattr(self, 'command', None)} {getattr(self, 'path', '')} host={host} user={user or '-'} -> {int(code)}")
        if self.entry is not None:
            self.entry["status"] = int(code)

    def note(self, text):
        if self.entry is not None:
            self.entry["note"] = text
        log(f"  {self.path}: {text}")

    # -- replies ---------------------------------------------------------------------------

    def reply(self, status, body=b"", ctype="text/plain; charset=utf-8", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def reply_json(self, status, value):
        self.reply(status, json.dumps(value, ensure_ascii=False).encode("utf-8"), "application/json; charset=utf-8")

    def not_found(self):
        self.reply(404, b"Not Found\n")

    def unauthorized(self, realm):
        body = b"<html><body><h1>401 Authorization Required</h1></body></html>\n"
        self.reply(401, body, "text/html; charset=iso-8859-1", [("WWW-Authenticate", f'Basic realm="{realm}"')])

    def credentials(self):
        header = self.headers.get("Authorization")
        if not header:
            return None, None
        scheme, _, token = header.strip().partition(" ")
        if scheme.lower() != "basic":
            return None, None
        try:
            text = base64.b64decode(token.strip(), validate=True).decode("utf-8", "replace")
        except ValueError:
            return None, None
        user, sep, password = text.partition(":")
        return (user, password) if sep else (user, None)

    def foreign_host(self):
        host = self.headers.get("Host", "")
        return urllib.parse.urlsplit("//" + host).hostname == "localhost"

    # -- dispatch --------------------------------------------------------------------------

    def do_GET(self):
        self.dispatch()

    def do_HEAD(self):
        self.dispatch()

    def do_POST(self):
        self.dispatch()

    def dispatch(self):
        try:
            length = int(self.headers.get("Content-Length") or 0)
        except ValueError:
            self.close_connection = True
            self.reply(400, b"Bad Content-Length\n")
            return
        self.body = self.rfile.read(length) if length > 0 else b""
        raw_path = urllib.parse.urlsplit(self.path).path
        path = urllib.parse.unquote(raw_path, errors="surrogateescape")
        segment, _, rest = path.lstrip("/").partition("/")
        rest = "/" + rest

        if segment == CONTROL_SEGMENT:
            self.control(rest)
            return

        user, _ = self.credentials()
        self.entry = {
            "time": round(time.time(), 3),
            "method": self.command,
            "path": self.path,
            "host": self.headers.get("Host"),
            "auth": self.headers.get("Authorization") is not None,
            "user": user,
            "status": None,
        }
        with self.server.lock:
            self.server.requests.append(self.entry)

        if self.command not in ("GET", "HEAD"):
            self.reply(405, b"Method Not Allowed\n", headers=[("Allow", "GET, HEAD")])
        elif segment == DATA_SEGMENT:
            self.data_file(rest)
        elif segment in ENDPOINT_NAMES:
            self.endpoint(segment, rest)
        else:
            self.not_found()

    # -- the service's hosts -----------------------------------------------------------------

    def download_auth_ok(self):
        if self.foreign_host():
            return True  # the stand-in for someone else's host asks for nothing
        user, password = self.credentials()
        return user is not None and self.server.accounts.get(user) == password

    def endpoint(self, endpoint, path):
        fmt = self.server.settings_paths.get((endpoint, path))
        if fmt:
            self.settings_file(endpoint, path, fmt)
        elif endpoint == "service-main" and path.startswith("/dl/"):
            if not self.download_auth_ok():
                self.unauthorized("rinvale")
            else:
                self.static_or_404(endpoint, path)
        elif endpoint == "service-main" and path.startswith("/credit/"):
            self.member_page(path)
        elif endpoint == "service-main" and path in ("/info/", "/info/index.html"):
            self.reply(200, info_page(), "text/html; charset=Shift_JIS")
        else:
            self.static_or_404(endpoint, path)

    def static_or_404(self, endpoint, path):
        disk = self.server.disk_file(endpoint, path)
        if not disk:
            self.not_found()
            return
        ctype = mimetypes.guess_type(disk)[0] or "application/octet-stream"
        self.send_file(os.path.basename(disk), os.path.getsize(disk), disk_chunks(disk), ctype)

    def settings_file(self, endpoint, path, fmt):
        if not self.download_auth_ok():
            self.unauthorized("rinvale")
            return
        if self.server.current_faults()["missing_settings"] in (fmt, "both"):
            self.not_found()
            return
        data = self.server.settings_bytes(fmt)
        self.send_file(path.rsplit("/", 1)[-1], len(data), bytes_chunks(data), "text/plain; charset=Shift_JIS")

    def data_file(self, path):
        if not self.download_auth_ok():
            self.unauthorized("rinvale")
            return
        fmt, _, rest = path.lstrip("/").partition("/")
        folder, _, name_path = rest.partition("/")
        disk = self.server.disk_file(DATA_SEGMENT, path)
        if disk:
            self.send_file(name_path.rsplit("/", 1)[-1], os.path.getsize(disk), disk_chunks(disk))
            return
        if fmt not in ("rv2", "rv3") or not name_path:
            self.not_found()
            return
        offered = offered_files(self.server.settings_bytes(fmt)).get(folder, set())
        if name_path not in offered:
            self.not_found()
            return
        name = name_path.rsplit("/", 1)[-1]
        size = file_size(name)
        self.send_file(name, size, file_chunks(name, size))

    def member_page(self, path):
        course = MEMBER_PAGES.get(path[: -len("index.html")] if path.endswith("/index.html") else path)
        if not course:
            self.not_found()
            return
        user, password = self.credentials()
        member = self.server.members.get(user) if user is not None else None
        if not member or member[0] != password or course not in member[1]:
            self.unauthorized("rinvale member")
            return
        body = member_page(course, not self.server.current_faults()["credit_no_frame"])
        self.send_file("", len(body), bytes_chunks(body), "text/html; charset=shift_jis")

    # -- sending with faults ---------------------------------------------------------------

    def send_file(self, name, size, chunks, ctype="application/octet-stream"):
        faults = self.server.current_faults()
        raw_path = urllib.parse.urlsplit(self.path).path
        keys = {name, self.path, raw_path, urllib.parse.unquote(raw_path, errors="surrogateescape")} - {""}

        def hit(collection):
            return next((k for k in keys if k in collection), None)

        status_key = hit(faults["status"])
        if status_key is not None:
            status = faults["status"][status_key]
            self.note(f"status fault {status}")
            if status == 401:
                self.unauthorized("rinvale")
            else:
                self.reply(status, f"{status} fault\n".encode())
            return
        if hit(faults["redirect_foreign"]) is not None and not self.foreign_host():
            location = f"http://localhost:{self.server.port}{self.path}"
            self.note("redirect to " + location)
            self.reply(302, b"Moved\n", "text/plain; charset=utf-8", [("Location", location)])
            return

        self.send_response(200)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(size))
        self.end_headers()
        if self.command == "HEAD":
            return

        drop = hit(faults["drop"]) is not None
        stall = hit(faults["stall"]) is not None
        slow_key = hit(faults["slow"])
        rate = faults["slow"][slow_key] if slow_key is not None else None
        limit = size // 2 if drop or stall else size
        sent = 0
        started = time.monotonic()
        try:
            for chunk in chunks:
                if sent >= limit or self.server.stopping.is_set():
                    break
                chunk = chunk[: limit - sent]
                if rate is None:
                    self.wfile.write(chunk)
                    sent += len(chunk)
                    continue
                step = max(1, int(rate // 10))
                for i in range(0, len(chunk), step):
                    piece = chunk[i : i + step]
                    self.wfile.write(piece)
                    sent += len(piece)
                    delay = started + sent / rate - time.monotonic()
                    if delay > 0:
                        time.sleep(delay)
                    if self.server.stopping.is_set():
                        break
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError):
            self.close_connection = True
            self.note(f"client went away after {sent} of {size} bytes")
            return
        finally:
            if self.entry is not None:
                self.entry["bytes"] = sent
        if drop:
            self.note(f"dropped after {sent} of {size} bytes")
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        elif stall:
            self.note(f"stalled after {sent} of {size} bytes")
            self.close_connection = True
            self.hold_until_client_leaves()
            log(f"  {self.path}: stalled client went away")
        elif sent < size:
            self.close_connection = True

    def hold_until_client_leaves(self):
        sock = self.connection
        while not self.server.stopping.is_set():
            try:
                readable, _, _ = select.select([sock], [], [], 0.25)
                if readable and not sock.recv(4096):
                    return
            except OSError:
                return

    # -- control ---------------------------------------------------------------------------

    def control(self, path):
        log(f"{self.command} {self.path}")
        server = self.server
        if path == "/log" and self.command == "GET":
            with server.lock:
                snapshot = [dict(e) for e in server.requests]
            self.reply_json(200, snapshot)
        elif path == "/faults" and self.command == "GET":
            self.reply_json(200, faults_json(server.current_faults()))
        elif path == "/faults" and self.command == "POST":
            try:
                faults = parse_faults(json.loads(self.body.decode("utf-8") or "{}"))
            except (ValueError, UnicodeDecodeError) as e:
                self.reply_json(400, {"error": str(e)})
                return
            with server.lock:
                server.faults = faults
            self.reply_json(200, faults_json(faults))
        elif path == "/reset" and self.command == "POST":
            with server.lock:
                server.faults = NO_FAULTS
                server.requests.clear()
            self.reply_json(200, {})
        elif path == "/file" and self.command == "GET":
            query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
            name = query.get("name", [""])[0]
            if not name:
                self.reply_json(400, {"error": "name missing"})
                return
            size = file_size(name)
            digest = hashlib.sha256()
            for chunk in file_chunks(name, size):
                digest.update(chunk)
            self.reply_json(200, {"name": name, "size": size, "sha256": digest.hexdigest()})
        else:
            self.reply_json(404, {"error": "unknown control"})


# ---------------------------------------------------------------------------------------------


def write_endpoints_file(path, port):
    text = "".join(f"{name}=http://127.0.0.1:{port}/{name}\n" for name in ENDPOINT_NAMES)
    directory = os.path.dirname(os.path.abspath(path))
    temporary = os.path.join(directory, f".{os.path.basename(path)}.{os.getpid()}.tmp")
    with open(temporary, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(temporary, path)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Local demo and test service for Velmira 2 (127.0.0.1 only).")
    parser.add_argument("--port", type=int, default=0, help="port to listen on; 0 picks a free one")
    parser.add_argument("--endpoints-file", required=True, help="file to write the endpoint=base-URL lines to")
    parser.add_argument("--today", help="date the settings files are made for (YYYY-MM-DD); default today")
    parser.add_argument("--data-dir", help="folder whose files replace generated answers (see README)")
    parser.add_argument("--faults", help="JSON file with the faults to start with")
    parser.add_argument("--accounts", default=os.path.join(HERE, "accounts.ini"), help=argparse.SUPPRESS)
    parser.add_argument("--members", default=os.path.join(HERE, "members.ini"), help=argparse.SUPPRESS)
    args = parser.parse_args(argv)

    today = None
    if args.today:
        try:
            today = datetime.date.fromisoformat(args.today)
        except ValueError:
            parser.error(f"--today: not a date: {args.today}")
    if args.data_dir and not os.path.isdir(args.data_dir):
        parser.error(f"--data-dir: no such folder: {args.data_dir}")
    faults = NO_FAULTS
    if args.faults:
        try:
            with open(args.faults, encoding="utf-8") as f:
                faults = parse_faults(json.load(f))
        except (OSError, ValueError) as e:
            parser.error(f"--faults: {e}")

    accounts, settings_urls = load_download_accounts(args.accounts)
    members = load_members(args.members)
    server = SimServer(args.port, accounts, settings_urls, members, today, args.data_dir, faults)

    stop = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.set())

    write_endpoints_file(args.endpoints_file, server.port)
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True)
    serving.start()
    log(f"listening on 127.0.0.1:{server.port}")
    sys.stdout.write(f"READY {server.port}\n")
    sys.stdout.flush()

    while not stop.wait(0.5):
        if not serving.is_alive():
            log("server loop ended unexpectedly")
            return 1
    server.stopping.set()
    server.shutdown()
    server.server_close()
    log("stopped")
    return 0


if __name__ == "__main__":
    sys.exit(main())
