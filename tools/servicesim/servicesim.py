#!/usr/bin/env python3
"""Local stand-in for every host Velmira 2 talks to.

One threaded HTTP server on 127.0.0.1 plays all endpoints of src/login/Endpoints.cpp: the first
path segment names the endpoint (the virtual host), the rest is that host's path. The service's
data server lives under /data, the test controls under /_control. The login pages of the billing
providers are plain forms of our own that post back to it. See README.md.
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
import re
import secrets
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


PASSWORD_SECTIONS = ("biglobe", "nifty", "sonet", "ocn", "yahoo")
BITCASH_STATES = ("registered", "unregistered")


def course_letters(text, where):
    """The course letters of a members.ini value; "-" stands for no course at all."""
    letters = "" if text == "-" else text.lower()
    if not letters and text != "-" or any(c not in "abc" for c in letters):
        raise ValueError(f"members.ini {where}: courses must be letters a, b, c or -, not {text!r}")
    return letters


def load_logins(path):
    """Accounts of the browser login roads from members.ini, by section:
    biglobe, nifty, sonet, ocn, yahoo: {user: (password, courses)};
    webmoney: {prepaid number: courses}; bitcash: {ID "g1;g2;g3;g4": (state, courses)}."""
    ini = read_ini(path)

    def items(section):
        return ini.items(section) if ini.has_section(section) else []

    logins = {}
    for section in PASSWORD_SECTIONS:
        accounts = {}
        for user, value in items(section):
            words = value.split()
            if not user or len(words) not in (1, 2):
                raise ValueError(f"members.ini [{section}] {user}: want 'user = password courses'")
            accounts[user] = (words[0], course_letters(words[1] if len(words) == 2 else "-", f"[{section}] {user}"))
        logins[section] = accounts
    logins["webmoney"] = {}
    for number, value in items("webmoney"):
        logins["webmoney"][prepaid_digits(number)] = course_letters(value.strip(), f"[webmoney] {number}")
    logins["bitcash"] = {}
    for key, value in items("bitcash"):
        words = value.split()
        groups = key.split(";")
        if len(groups) != 4 or len(words) != 2 or words[0] not in BITCASH_STATES:
            raise ValueError(f"members.ini [bitcash] {key}: want 'g1;g2;g3;g4 = registered|unregistered courses'")
        logins["bitcash"][";".join(g.strip() for g in groups)] = (words[0], course_letters(words[1], "[bitcash]"))
    return logins


def prepaid_digits(text):
    """A prepaid number as typed (spaces and hyphens allowed) reduced to its characters."""
    return "".join(c for c in text if c not in " -\u3000")


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
# Login roads of the billing providers
#
# Plain UTF-8 pages of our own. The markup is written the way the program's browser serialises a
# document (lower-case tag and attribute names, every attribute value in double quotes, void
# elements without "/"), because the program matches parts of it as plain text.

AREAS = {"a": "m2", "b": "m3", "c": "m4"}
AREA_COURSES = {area: course for course, area in AREAS.items()}
BIGLOBE_GOODS = {"0006": "a", "0009": "b", "0012": "c"}
BIGLOBE_SHOP = "1291"
SONET_GROUPS = {"816s04": "a", "816s05": "b", "816s06": "c"}
ERROR_STYLE = 'class="error" style="color: #cc0000;"'
WALLET_NO_MEMBER_TITLE = "Yahoo!ウォレット"
NIFTY_TITLE = "リンヴェールOnLine - nifty"

# The member top page of each browser road: endpoint, path ({m} = m2/m3/m4, {c} = a/b/c).
MEMBER_ADDRESSES = {
    "biglobe": ("service-biglobe", "/{m}-member/index.html"),
    "nifty": ("nifty-member", "/member/service/g-way/rinvale_{c}/{m}-member/"),
    "sonet": ("service-sonet", "/{m}-member/"),
    "ocn": ("ocn-payment", "/rinvale/{m}-member/index.html"),
    "webmoney": ("service-webmoney", "/{m}-member/index.html"),
    "bitcash": ("service-bitcash", "/{m}-member/"),
    "wallet": ("service-wallet", "/{m}-member/index.html"),
}
PROVIDER_LABELS = {
    "biglobe": "BIGLOBE",
    "nifty": "@nifty",
    "sonet": "So-net",
    "ocn": "OCN",
    "webmoney": "WebMoney",
    "bitcash": "BitCash",
    "wallet": "Yahoo!ウォレット",
}


def member_path(provider, course):
    endpoint, pattern = MEMBER_ADDRESSES[provider]
    return endpoint, pattern.format(m=AREAS[course], c=course)


def member_routes():
    """{(endpoint, path): (provider, course)} of the member pages; a folder address is also
    served as .../index.html and an index.html address also as its folder."""
    routes = {}
    for provider in MEMBER_ADDRESSES:
        for course in AREAS:
            endpoint, path = member_path(provider, course)
            routes[(endpoint, path)] = (provider, course)
    for (endpoint, path), value in list(routes.items()):
        other = path + "index.html" if path.endswith("/") else path[: -len("index.html")]
        routes.setdefault((endpoint, other), value)
    return routes


MEMBER_ROUTES = member_routes()

# Pages of the login roads: endpoint, path pattern, handler method.
ROAD_GETS = [
    ("biglobe-gateway", r"/gw/cp_gwcharge\.php", "get_biglobe_login"),
    ("service-biglobe", r"/no_entry\.html", "get_biglobe_no_entry"),
    ("nifty-login", r"/pub/login\.cgi", "get_nifty_login"),
    ("sonet-web", r"/rinvale/subscribe-m/cgi-bin/loginindex\.cgi", "get_sonet_login"),
    ("ocn-payment", r"/rinvale/(m[234])-member/index_login\.html", "get_ocn_login"),
    ("service-webmoney", r"/cgi-bin/wm_member/m_gotowm([234])\.cgi", "get_webmoney_payment"),
    ("service-main", r"/bitcash/auth/login_(m[234])\.html", "get_bitcash_login"),
    ("service-main", r"/dazorezazi/touroku/step2_bitcash\.html", "get_bitcash_registration"),
    ("service-wallet", r"/index_(m[234])\.html", "get_wallet_index"),
    ("service-wallet", r"/regist_(m[234])\.html", "get_wallet_register"),
    ("service-wallet", r"/no_member\.html", "get_wallet_no_member"),
    ("yahoo-login", r"/config/login", "get_yahoo_login"),
    ("yahoo-login", r"/config/register", "get_yahoo_register"),
    ("yahoo-auth", r"/consent", "get_yahoo_consent"),
    ("yahoo-top", r"/(?:index\.html)?", "get_yahoo_top"),
    ("yahoo-help", r"/help/jp/(password/)?", "get_yahoo_help"),
]
# Form targets (POST only): endpoint, path pattern, handler method.
ROAD_POSTS = [
    ("biglobe-gateway", r"/gw/cp_gwlogin\.php", "post_biglobe_login"),
    ("nifty-login", r"/pub/login_verify\.cgi", "post_nifty_login"),
    ("sonet-web", r"/rinvale/subscribe-m/cgi-bin/login\.cgi", "post_sonet_login"),
    ("ocn-payment", r"/rinvale/(m[234])-member/login\.cgi", "post_ocn_login"),
    ("service-webmoney", r"/cgi-bin/wm_member/m_paywm([234])\.cgi", "post_webmoney_payment"),
    ("service-main", r"/bitcash/auth/login\.cgi", "post_bitcash_login"),
    ("yahoo-login", r"/config/login_verify", "post_yahoo_login"),
    ("yahoo-auth", r"/consent_verify", "post_yahoo_consent"),
]


def attr(value):
    """An attribute value as the browser writes it back (only & and " are escaped)."""
    return value.replace("&", "&amp;").replace('"', "&quot;")


def text(value):
    return value.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("\u00a0", "&nbsp;")


def web_page(title, body_lines):
    """A UTF-8 page; title None leaves the title element out altogether."""
    head = ["<!DOCTYPE html>", '<html lang="ja">', "<head>", '<meta charset="utf-8">']
    if title is not None:
        head.append(f"<title>{text(title)}</title>")
    lines = head + ["</head>", "<body>"] + body_lines + ["</body>", "</html>", ""]
    return "\n".join(lines).encode("utf-8")


def error_line(message):
    return [f"<p {ERROR_STYLE}>{text(message)}</p>"] if message else []


def post_form(action, hidden, rows, button, form_id=None):
    """A form posting UTF-8 to action: hidden fields [(name, value)], markup rows, a submit button."""
    id_part = f'id="{form_id}" ' if form_id else ""
    lines = [f'<form {id_part}action="{attr(action)}" method="post" accept-charset="utf-8">']
    lines += [f'<input type="hidden" name="{attr(n)}" value="{attr(v)}">' for n, v in hidden]
    lines += rows
    lines += [f'<p><input type="submit" value="{attr(button)}"></p>', "</form>"]
    return lines


def text_row(label, name, size=24):
    return [f"<p>{text(label)}<br>", f'<input type="text" name="{name}" size="{size}"></p>']


def password_row(label, name, size=24):
    return [f"<p>{text(label)}<br>", f'<input type="password" name="{name}" size="{size}"></p>']


def course_label(course):
    return COURSE_LABELS[course]


class LoginPages:
    """Markup of every page of the browser login roads, for a service on one port."""

    def __init__(self, port):
        self.base = f"http://127.0.0.1:{port}"

    def url(self, endpoint, path):
        return f"{self.base}/{endpoint}{path}"

    def member_url(self, provider, course):
        return self.url(*member_path(provider, course))

    # -- member pages and plain pages --------------------------------------------------------

    def member(self, provider, course, nifty_title=True):
        title = f"リンヴェールOnLine メンバーページ ({course_label(course)})"
        if provider == "nifty" and nifty_title:
            title = NIFTY_TITLE
        return web_page(
            title,
            [
                "<h1>リンヴェールOnLine メンバーページ</h1>",
                f"<p>{text(PROVIDER_LABELS[provider])} でログインしました。ご契約：{course_label(course)}</p>",
                "<p>データはダウンロードページから受け取れます。</p>",
            ],
        )

    def message(self, title, heading, lines):
        return web_page(title, [f"<h1>{text(heading)}</h1>"] + [f"<p>{line}</p>" for line in lines])

    def bad_request(self, what):
        return self.message("リクエストエラー", "このページは表示できません", [text(what)])

    # -- BIGLOBE ---------------------------------------------------------------------------

    def biglobe_login(self, course, error=None):
        goods = next(code for code, c in BIGLOBE_GOODS.items() if c == course)
        return web_page(
            "BIGLOBE 認証 - コンテンツ購入",
            ["<h1>BIGLOBE 認証</h1>", f"<p>ご購入内容：リンヴェールOnLine {course_label(course)}</p>"]
            + error_line(error)
            + post_form(
                self.url("biglobe-gateway", "/gw/cp_gwlogin.php"),
                [("GwShopCode", BIGLOBE_SHOP), ("GwGoodsCode", goods)],
                text_row("ユーザーID", "BiglobeId") + password_row("パスワード", "BiglobePwd"),
                "ログイン",
            ),
        )

    def biglobe_no_entry(self):
        # deliberately without a title element: the browser then shows the address as title
        return web_page(
            None,
            [
                "<h1>リンヴェールOnLine</h1>",
                "<p>お客様のIDは、このコースにまだエントリーされていません。</p>",
                "<p>ご契約のコースをお確かめのうえ、もう一度お申し込みください。</p>",
            ],
        )

    # -- @nifty ----------------------------------------------------------------------------

    def nifty_login(self, back, error=None):
        return web_page(
            "@nifty ログイン",
            ["<h1>@nifty ログイン</h1>", "<p>リンヴェールOnLine をご利用いただくにはログインしてください。</p>"]
            + error_line(error)
            + post_form(
                self.url("nifty-login", "/pub/login_verify.cgi"),
                [("service", "member"), ("back", back)],
                text_row("@nifty ID", "username") + password_row("パスワード", "password"),
                "ログイン",
            ),
        )

    # -- So-net ----------------------------------------------------------------------------

    def sonet_login(self, course, error=None):
        group = next(g for g, c in SONET_GROUPS.items() if c == course)
        return web_page(
            "So-net ログイン - リンヴェールOnLine",
            ["<h1>So-net ログイン</h1>", f"<p>リンヴェールOnLine {course_label(course)}</p>"]
            + error_line(error)
            + post_form(
                self.url("sonet-web", "/rinvale/subscribe-m/cgi-bin/login.cgi"),
                [("GRP_NO", group)],
                text_row("ユーザーID", "usr_id") + password_row("パスワード", "passwd"),
                "ログイン",
            ),
        )

    # -- OCN -------------------------------------------------------------------------------

    def ocn_login(self, course, error=None):
        return web_page(
            "OCN 決済サービス - 認証",
            ["<h1>OCN 決済サービス</h1>", f"<p>リンヴェールOnLine {course_label(course)} のご利用確認</p>"]
            + error_line(error)
            + post_form(
                self.url("ocn-payment", f"/rinvale/{AREAS[course]}-member/login.cgi"),
                [],
                text_row("ID", "ID") + password_row("パスワード", "IDPWD"),
                "確認",
            ),
        )

    # -- WebMoney --------------------------------------------------------------------------

    def webmoney_payment(self, course, error=None):
        area_digit = AREAS[course][1]
        return web_page(
            "WebMoney 決済 - リンヴェールOnLine",
            [
                "<h1>WebMoney 決済</h1>",
                f"<p>リンヴェールOnLine {course_label(course)}（1か月）</p>",
                "<p>お支払い金額：1,050円</p>",
            ]
            + error_line(error)
            + post_form(
                self.url("service-webmoney", f"/cgi-bin/wm_member/m_paywm{area_digit}.cgi"),
                [("prepaid", "")],
                ["<p>プリペイド番号（16桁）<br>", '<input id="wm_number" type="text" size="24" maxlength="19"></p>'],
                "決済する",
                form_id="wm_form",
            )
            + [
                "<script>",
                'document.getElementById("wm_form").addEventListener("submit", function () {',
                '  this.elements["prepaid"].value = document.getElementById("wm_number").value;',
                "});",
                "</script>",
            ],
        )

    # -- BitCash ---------------------------------------------------------------------------

    def bitcash_login(self, course):
        boxes = [f'<input type="text" name="CARD_NUMBER{i}" size="6" maxlength="4">' for i in range(1, 5)]
        return web_page(
            "BitCash ログイン - リンヴェールOnLine",
            [
                "<h1>BitCash ログイン</h1>",
                f"<p>リンヴェールOnLine {course_label(course)}</p>",
                "<p>ひらがなIDを4文字ずつ入力してください。</p>",
            ]
            + post_form(
                self.url("service-main", "/bitcash/auth/login.cgi"),
                [("COURSE", AREAS[course])],
                ["<p>" + " - ".join(boxes) + "</p>"],
                "ログイン",
            ),
        )

    def bitcash_valid(self, course, until):
        return self.message(
            "BitCash 認証結果",
            "BitCash 認証結果",
            [
                f"このひらがなIDは {until.year}年{until.month}月{until.day}日まで有効です。",
                f'<a href="{self.member_url("bitcash", course)}">{course_label(course)} メンバーページへ進む</a>',
            ],
        )

    def bitcash_unregistered(self, course):
        return self.message(
            "BitCash 認証結果",
            "BitCash 認証結果",
            [
                f"このひらがなIDでは、{course_label(course)}の会員登録が完了しておりません。",
                f'<a href="{self.url("service-main", "/dazorezazi/touroku/step2_bitcash.html")}">会員登録ページへ</a>',
            ],
        )

    def bitcash_unknown(self, course):
        return self.message(
            "BitCash 認証エラー",
            "BitCash 認証エラー",
            [
                f'<span {ERROR_STYLE}>ひらがなIDが正しくありません。</span>',
                f'<a href="{self.url("service-main", f"/bitcash/auth/login_{AREAS[course]}.html")}">入力し直す</a>',
            ],
        )

    def bitcash_registration(self):
        return self.message(
            "リンヴェールOnLine 会員登録（BitCash）",
            "会員登録 ステップ2：BitCash",
            [
                "BitCash のひらがなIDで会員登録を行います。",
                "このデモサービスでは登録は行えません。members.ini の [bitcash] に ID を加えてください。",
            ],
        )

    # -- Yahoo!ウォレット --------------------------------------------------------------------

    def wallet_index(self, course, with_form=True):
        area = AREAS[course]
        done = self.member_url("wallet", course)
        login_action = self.url("yahoo-login", "/config/login?.src=wallet&.done=") + urllib.parse.quote(done, safe="")
        register = self.url("service-wallet", f"/regist_{area}.html")
        lines = [f"<h1>リンヴェールOnLine Yahoo!ウォレット決済 ({course_label(course)})</h1>"]
        if with_form:
            lines += [
                f'<form action="{attr(register)}" method="get">',
                "<p>メンバー登録（決済）はこちらから</p>",
                '<p><input type="submit" value="購入する"></p>',
                "</form>",
                "<p>すでにメンバー登録がお済みの方は、下のボタンからログインしてください。</p>",
                f'<form action="{attr(login_action)}" method="get">',
                '<input type="hidden" name=".src" value="wallet">',
                f'<input type="hidden" name=".done" value="{attr(done)}">',
                '<p><input type="submit" value="ログイン"></p>',
                "</form>",
            ]
        else:
            lines += ["<p>ただいまメンテナンス中のため、購入とログインを休止しています。</p>"]
        lines += [
            "<p>\u3000</p>",
            f'<p><a href="{attr(register)}">メンバー登録（決済）ページ</a>｜リンヴェールOnLine 運営事務局</p>',
        ]
        return web_page(f"リンヴェールOnLine Yahoo!ウォレット決済 ({course_label(course)})", lines)

    def wallet_register(self, course):
        return self.message(
            f"リンヴェールOnLine メンバー登録 ({course_label(course)})",
            "メンバー登録（決済）",
            ["このデモサービスでは登録は行えません。members.ini の [yahoo] にアカウントを加えてください。"],
        )

    def wallet_no_member(self):
        links = [
            f'<a href="{self.url("service-wallet", f"/index_{AREAS[c]}.html")}">{course_label(c)}</a>' for c in AREAS
        ]
        return self.message(
            WALLET_NO_MEMBER_TITLE,
            "メンバー登録情報がありません",
            ["ご指定のコースのメンバー登録情報が見つかりません。", "登録ページ：" + "｜".join(links)],
        )

    def yahoo_login(self, src, done, error=None):
        help_index = self.url("yahoo-help", "/help/jp/")
        return web_page(
            "Yahoo! JAPAN - ログイン",
            ["<h1>Yahoo! JAPAN ログイン</h1>"]
            + error_line(error)
            + post_form(
                self.url("yahoo-login", "/config/login_verify"),
                [(".src", src), (".done", done)],
                text_row("Yahoo! JAPAN ID", "login", 28)
                + password_row("パスワード", "passwd", 28)
                + [
                    '<p><input id="persistent" type="checkbox" name=".persistent" value="y" checked="checked">',
                    '<label for="persistent">ログインしたままにする</label></p>',
                ],
                "ログイン",
            )
            + [
                "<ul>",
                f'<li><a href="{self.url("yahoo-help", "/help/jp/password/")}">パスワードを忘れた場合</a></li>',
                f'<li><a href="{self.url("yahoo-login", "/config/register")}">新しくIDを登録する</a></li>',
                f'<li><a href="{help_index}">ヘルプ</a></li>',
                "</ul>",
            ],
        )

    def yahoo_consent(self, token, done):
        top = self.url("yahoo-top", "/")
        return web_page(
            "Yahoo! JAPAN - 決済情報の利用への同意",
            [
                "<h1>決済情報の利用への同意</h1>",
                "<h2>「注意事項」</h2>",
                "<ol>",
                "<li>リンヴェールOnLine に、Yahoo!ウォレットでのメンバー登録状況を知らせます。</li>",
                "<li>同意はいつでも取り消せます。</li>",
                "</ol>",
            ]
            + post_form(
                self.url("yahoo-auth", "/consent_verify"),
                [(".tok", token), (".done", done)],
                [f'<p><a href="{top}">キャンセル</a></p>'],
                "同意する",
            )
            + [
                "<hr>",
                f'<p><a href="{top}">Yahoo! JAPAN</a>&nbsp;-&nbsp;'
                f'<a href="{self.url("yahoo-help", "/help/jp/")}">ヘルプ</a></p>',
            ],
        )

    def yahoo_expired(self):
        return self.message(
            "Yahoo! JAPAN - エラー",
            "ログインの有効期限が切れました",
            [f'<a href="{self.url("yahoo-top", "/")}">トップページへ</a>'],
        )

    def yahoo_top(self):
        return self.message(
            "Yahoo! JAPAN",
            "Yahoo! JAPAN（デモ）",
            [f'<a href="{self.url("yahoo-help", "/help/jp/")}">ヘルプ</a>'],
        )

    def yahoo_help(self, password=False):
        if password:
            return self.message("ヘルプ - パスワード", "パスワードを忘れた場合", ["デモのアカウントは members.ini にあります。"])
        return self.message("ヘルプ - Yahoo! JAPAN", "ヘルプ", ["ログインについてのご案内です。"])

    def yahoo_register(self):
        return self.message("Yahoo! JAPAN - ID登録", "ID登録", ["このデモサービスでは新しいIDは作れません。"])


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
    "nifty_no_title",
    "wallet_no_form",
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
        "nifty_no_title": flag("nifty_no_title"),
        "wallet_no_form": flag("wallet_no_form"),
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

    def __init__(self, port, accounts, settings_urls, members, logins, today, data_dir, faults):
        self.accounts = accounts
        self.members = members
        self.logins = logins
        self.sessions = {}  # Yahoo! JAPAN login: token -> Yahoo ID
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
        self.pages = LoginPages(self.port)

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

        if self.command not in ("GET", "HEAD") and not (self.command == "POST" and segment in ENDPOINT_NAMES):
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
        if self.command == "POST":
            if not self.road(endpoint, path):
                self.method_not_allowed("GET, HEAD")
        elif fmt:
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
        elif self.server.disk_file(endpoint, path) or not self.road(endpoint, path):
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

    # -- login roads of the billing providers -------------------------------------------------

    def road(self, endpoint, path):
        """Answers a request for a page of a browser login road; False when the address is none
        of them. Member pages, login pages and the pages that follow them are answered to GET and
        HEAD, the form targets to POST; the other method gets 405."""
        member = MEMBER_ROUTES.get((endpoint, path))
        if member:
            if self.command == "POST":
                self.method_not_allowed("GET, HEAD")
            else:
                provider, course = member
                no_title = self.server.current_faults()["nifty_no_title"]
                self.page(self.server.pages.member(provider, course, nifty_title=not no_title))
            return True
        for method, routes, allow in (("POST", ROAD_POSTS, "POST"), ("GET", ROAD_GETS, "GET, HEAD")):
            for route_endpoint, pattern, name in routes:
                match = re.fullmatch(pattern, path) if route_endpoint == endpoint else None
                if not match:
                    continue
                if (self.command == "POST") != (method == "POST"):
                    self.method_not_allowed(allow)
                else:
                    getattr(self, name)(match)
                return True
        return False

    def method_not_allowed(self, allow):
        self.reply(405, b"Method Not Allowed\n", headers=[("Allow", allow)])

    def page(self, body, status=200):
        ctype = "text/html; charset=utf-8"
        if status != 200:
            self.reply(status, body, ctype)
            return
        name = urllib.parse.urlsplit(self.path).path.rsplit("/", 1)[-1]
        self.send_file(name, len(body), bytes_chunks(body), ctype)

    def redirect(self, location):
        self.reply(302, b"Moved\n", "text/plain; charset=utf-8", [("Location", location)])

    def query(self):
        """The query's parameters, first value of each."""
        raw = urllib.parse.urlsplit(self.path).query
        return {k: v[0] for k, v in urllib.parse.parse_qs(raw, keep_blank_values=True).items()}

    def form(self):
        """The posted form fields (application/x-www-form-urlencoded, UTF-8), first value of each."""
        raw = self.body.decode("utf-8", "replace")
        return {k: v[0] for k, v in urllib.parse.parse_qs(raw, keep_blank_values=True, errors="replace").items()}

    def password_login(self, section, user, password):
        """The courses of a user-and-password account (may be empty), or None when the pair is wrong."""
        account = self.server.logins[section].get(user) if user else None
        ok = account is not None and account[0] == password
        self.note(f"{section} login {user!r}: " + ("accepted" if ok else "refused"))
        return account[1] if ok else None

    def own_member_page(self, address, provider):
        """The course whose member page of the provider the absolute address is, or None."""
        base = self.server.pages.base + "/"
        if not address or not address.startswith(base):
            return None
        endpoint, _, rest = address[len(base) :].partition("/")
        found = MEMBER_ROUTES.get((endpoint, "/" + rest))
        return found[1] if found and found[0] == provider else None

    def wallet_done(self, address):
        """The address to go to after the Yahoo! JAPAN pages: a Yahoo!ウォレット member page of
        this service as given, anything else becomes the Yahoo! JAPAN top page."""
        if self.own_member_page(address, "wallet"):
            return address
        return self.server.pages.url("yahoo-top", "/")

    # BIGLOBE

    def get_biglobe_login(self, match):
        params = self.query()
        course = BIGLOBE_GOODS.get(params.get("GwGoodsCode"))
        if params.get("GwShopCode") != BIGLOBE_SHOP or not course:
            self.page(self.server.pages.bad_request("ご指定の商品は見つかりません。"), 404)
        else:
            self.page(self.server.pages.biglobe_login(course))

    def post_biglobe_login(self, match):
        pages = self.server.pages
        form = self.form()
        course = BIGLOBE_GOODS.get(form.get("GwGoodsCode"))
        if form.get("GwShopCode") != BIGLOBE_SHOP or not course:
            self.page(pages.bad_request("ご指定の商品は見つかりません。"), 400)
            return
        courses = self.password_login("biglobe", form.get("BiglobeId"), form.get("BiglobePwd"))
        if courses is None:
            self.page(pages.biglobe_login(course, "ユーザーIDまたはパスワードが正しくありません。"))
        elif course in courses:
            self.redirect(pages.member_url("biglobe", course))
        else:
            self.redirect(pages.url("service-biglobe", "/no_entry.html"))

    def get_biglobe_no_entry(self, match):
        self.page(self.server.pages.biglobe_no_entry())

    # @nifty

    def get_nifty_login(self, match):
        raw = urllib.parse.urlsplit(self.path).query
        head, found, back = ("&" + raw).partition("&back=")  # the back address is not encoded
        service = urllib.parse.parse_qs(head).get("service", [""])[0]
        if not found or service != "member" or not self.own_member_page(back, "nifty"):
            self.page(self.server.pages.bad_request("戻り先のアドレスが正しくありません。"), 400)
        else:
            self.page(self.server.pages.nifty_login(back))

    def post_nifty_login(self, match):
        pages = self.server.pages
        form = self.form()
        back = form.get("back", "")
        course = self.own_member_page(back, "nifty")
        if form.get("service") != "member" or not course:
            self.page(pages.bad_request("戻り先のアドレスが正しくありません。"), 400)
            return
        courses = self.password_login("nifty", form.get("username"), form.get("password"))
        if courses is None:
            self.page(pages.nifty_login(back, "@nifty IDまたはパスワードが正しくありません。"))
        elif course not in courses:
            self.page(pages.nifty_login(back, f"このIDでは{COURSE_LABELS[course]}をご利用いただけません。"))
        else:
            self.redirect(back)

    # So-net

    def get_sonet_login(self, match):
        course = SONET_GROUPS.get(self.query().get("GRP_NO"))
        if not course:
            self.page(self.server.pages.bad_request("ご指定のサービスは見つかりません。"), 404)
        else:
            self.page(self.server.pages.sonet_login(course))

    def post_sonet_login(self, match):
        pages = self.server.pages
        form = self.form()
        course = SONET_GROUPS.get(form.get("GRP_NO"))
        if not course:
            self.page(pages.bad_request("ご指定のサービスは見つかりません。"), 400)
            return
        courses = self.password_login("sonet", form.get("usr_id"), form.get("passwd"))
        if courses is None:
            self.page(pages.sonet_login(course, "ユーザーIDまたはパスワードが正しくありません。"))
        elif course not in courses:
            self.page(pages.sonet_login(course, f"このIDは{COURSE_LABELS[course]}にお申し込みがありません。"))
        else:
            self.redirect(pages.member_url("sonet", course))

    # OCN

    def get_ocn_login(self, match):
        self.page(self.server.pages.ocn_login(AREA_COURSES[match.group(1)]))

    def post_ocn_login(self, match):
        pages = self.server.pages
        course = AREA_COURSES[match.group(1)]
        form = self.form()
        courses = self.password_login("ocn", form.get("ID"), form.get("IDPWD"))
        if courses is None:
            self.page(pages.ocn_login(course, "IDまたはパスワードが正しくありません。"))
        elif course not in courses:
            self.page(pages.ocn_login(course, f"このIDは{COURSE_LABELS[course]}のご契約がありません。"))
        else:
            self.redirect(pages.member_url("ocn", course))

    # WebMoney

    def get_webmoney_payment(self, match):
        self.page(self.server.pages.webmoney_payment(AREA_COURSES["m" + match.group(1)]))

    def post_webmoney_payment(self, match):
        pages = self.server.pages
        course = AREA_COURSES["m" + match.group(1)]
        number = prepaid_digits(self.form().get("prepaid", ""))
        courses = self.server.logins["webmoney"].get(number) if number else None
        shown = "…" + number[-4:] if number else "(empty)"
        self.note(f"webmoney prepaid number {shown}: " + ("unknown" if courses is None else "known"))
        if courses is None:
            self.page(pages.webmoney_payment(course, "プリペイド番号が正しくありません。"))
        elif course not in courses:
            self.page(pages.webmoney_payment(course, "このプリペイド番号ではこのコースの決済はできません。"))
        else:
            self.redirect(pages.member_url("webmoney", course))

    # BitCash

    def get_bitcash_login(self, match):
        self.page(self.server.pages.bitcash_login(AREA_COURSES[match.group(1)]))

    def post_bitcash_login(self, match):
        pages = self.server.pages
        form = self.form()
        course = AREA_COURSES.get(form.get("COURSE"))
        if not course:
            self.page(pages.bad_request("コースの指定が正しくありません。"), 400)
            return
        groups = [form.get(f"CARD_NUMBER{i}", "").strip() for i in range(1, 5)]
        entry = self.server.logins["bitcash"].get(";".join(groups)) if all(groups) else None
        self.note("bitcash ID " + (entry[0] if entry else "unknown"))
        if entry is None:
            self.page(pages.bitcash_unknown(course))
        elif entry[0] == "registered" and course in entry[1]:
            self.page(pages.bitcash_valid(course, self.server.today() + datetime.timedelta(days=60)))
        else:
            self.page(pages.bitcash_unregistered(course))

    def get_bitcash_registration(self, match):
        self.page(self.server.pages.bitcash_registration())

    # Yahoo!ウォレット and Yahoo! JAPAN

    def get_wallet_index(self, match):
        with_form = not self.server.current_faults()["wallet_no_form"]
        self.page(self.server.pages.wallet_index(AREA_COURSES[match.group(1)], with_form))

    def get_wallet_register(self, match):
        self.page(self.server.pages.wallet_register(AREA_COURSES[match.group(1)]))

    def get_wallet_no_member(self, match):
        self.page(self.server.pages.wallet_no_member())

    @staticmethod
    def yahoo_src(value):
        return value if value and re.fullmatch(r"[A-Za-z0-9_-]{1,32}", value) else "wallet"

    def get_yahoo_login(self, match):
        params = self.query()
        src = self.yahoo_src(params.get(".src"))
        self.page(self.server.pages.yahoo_login(src, self.wallet_done(params.get(".done"))))

    def post_yahoo_login(self, match):
        pages = self.server.pages
        form = self.form()
        done = self.wallet_done(form.get(".done"))
        user = form.get("login")
        courses = self.password_login("yahoo", user, form.get("passwd"))
        if courses is None:
            error = "Yahoo! JAPAN IDまたはパスワードが正しくありません。"
            self.page(pages.yahoo_login(self.yahoo_src(form.get(".src")), done, error))
            return
        token = secrets.token_urlsafe(12)
        with self.server.lock:
            self.server.sessions[token] = user
        query = urllib.parse.urlencode({".done": done, ".tok": token}, quote_via=urllib.parse.quote, safe="")
        self.redirect(pages.url("yahoo-auth", "/consent") + "?" + query)

    def yahoo_session(self, token):
        with self.server.lock:
            return self.server.sessions.get(token or "")

    def get_yahoo_consent(self, match):
        params = self.query()
        token = params.get(".tok", "")
        if self.yahoo_session(token) is None:
            self.page(self.server.pages.yahoo_expired())
        else:
            self.page(self.server.pages.yahoo_consent(token, self.wallet_done(params.get(".done"))))

    def post_yahoo_consent(self, match):
        pages = self.server.pages
        form = self.form()
        user = self.yahoo_session(form.get(".tok"))
        if user is None:
            self.page(pages.yahoo_expired())
            return
        course = self.own_member_page(form.get(".done"), "wallet")
        courses = self.server.logins["yahoo"][user][1]
        self.note(f"yahoo consent {user!r}: courses {courses or '-'}")
        if not course:
            self.redirect(pages.url("yahoo-top", "/"))
        elif course in courses:
            self.redirect(pages.member_url("wallet", course))
        else:
            self.redirect(pages.url("service-wallet", "/no_member.html"))

    def get_yahoo_register(self, match):
        self.page(self.server.pages.yahoo_register())

    def get_yahoo_top(self, match):
        self.page(self.server.pages.yahoo_top())

    def get_yahoo_help(self, match):
        self.page(self.server.pages.yahoo_help(password=bool(match.group(1))))

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
                server.sessions.clear()
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
    try:
        members = load_members(args.members)
        logins = load_logins(args.members)
    except (OSError, ValueError, configparser.Error) as e:
        parser.error(f"--members: {e}")
    server = SimServer(args.port, accounts, settings_urls, members, logins, today, args.data_dir, faults)

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
