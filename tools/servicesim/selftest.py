#!/usr/bin/env python3
"""Checks the local service from the outside: starts servicesim.py on a free port and talks to
it over HTTP. Run: python3 tools/servicesim/selftest.py (exit code 0 only when all checks pass)."""

import base64
import hashlib
import http.client
import json
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
from html.parser import HTMLParser

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SCRIPT = os.path.join(HERE, "servicesim.py")
TODAY = "2026-12-11"  # a Friday; the last race weekend is 5 and 6 December

sys.dont_write_bytecode = True  # leave no cache behind in the source tree
sys.path.insert(0, HERE)
import servicesim  # noqa: E402  (for the account files and the endpoint table only)

ACCOUNTS, SETTINGS_URLS = servicesim.load_download_accounts(os.path.join(HERE, "accounts.ini"))
DL_USER, DL_PASS = next((u, p) for u, p in ACCOUNTS.items())
KIND_SECTIONS = [k[1] for k in servicesim.KINDS]

failures = []


def check(condition, what):
    if condition:
        print("ok   " + what)
    else:
        print("FAIL " + what)
        failures.append(what)
    return condition


class Service:
    def __init__(self, *extra):
        self.dir = tempfile.TemporaryDirectory()
        self.endpoints = os.path.join(self.dir.name, "endpoints.txt")
        self.proc = subprocess.Popen(
            [sys.executable, SCRIPT, "--port", "0", "--endpoints-file", self.endpoints, *extra],
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            text=True,
        )
        line = self.proc.stdout.readline()
        match = re.fullmatch(r"READY (\d+)\n", line)
        if not match:
            self.proc.kill()
            raise RuntimeError(f"no READY line, got {line!r}: {self.proc.stderr.read()}")
        self.port = int(match.group(1))
        # keep the pipe drained so a chatty server never blocks on stderr
        threading.Thread(target=self.proc.stderr.read, daemon=True).start()

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        try:
            return self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            return None
        finally:
            self.dir.cleanup()

    def request(self, method, path, auth=None, body=None, host=None, timeout=30):
        conn = http.client.HTTPConnection(host or "127.0.0.1", self.port, timeout=timeout)
        headers = {}
        if auth:
            headers["Authorization"] = "Basic " + base64.b64encode(f"{auth[0]}:{auth[1]}".encode()).decode()
        if body is not None:
            headers["Content-Type"] = "application/json"
        conn.request(method, path, body=body, headers=headers)
        resp = conn.getresponse()
        data = resp.read()
        conn.close()
        return resp, data

    def get(self, path, auth=None, host=None):
        return self.request("GET", path, auth, host=host)

    def control(self, what, value=None):
        if value is None and what == "log":
            return json.loads(self.get("/_control/log")[1])
        resp, data = self.request("POST", "/_control/" + what, body=json.dumps(value or {}).encode())
        return resp.status, json.loads(data)


def sections_of(text):
    result = {}
    current = None
    for line in text.split("\r\n"):
        if line.startswith("[") and line.endswith("]"):
            current = result.setdefault(line[1:-1], [])
        elif current is not None and line not in ("", "\x1a"):
            current.append(line)
    return result


def expected_content(name, size):
    out = bytearray()
    counter = 0
    while len(out) < size:
        out += hashlib.sha256(name.encode() + counter.to_bytes(8, "big")).digest()
        counter += 1
    return bytes(out[:size])


def test_endpoint_table():
    source = open(os.path.join(ROOT, "src", "login", "Endpoints.cpp"), encoding="utf-8").read()
    pairs = re.findall(r'\{"([a-z-]+)", "([a-z0-9.-]+)"\}', source)
    check(len(pairs) == 16, "Endpoints.cpp lists 16 endpoints")
    check(pairs == servicesim.ENDPOINTS, "servicesim's endpoint table matches Endpoints.cpp")


def test_basics(s):
    lines = open(s.endpoints, encoding="utf-8").read().splitlines()
    check(
        lines == [f"{n}=http://127.0.0.1:{s.port}/{n}" for n in servicesim.ENDPOINT_NAMES],
        "endpoints file has one line per endpoint",
    )
    rv3_path = "/service-main" + urllib.parse.urlsplit(SETTINGS_URLS["rv3"]).path
    check(rv3_path == "/service-main/dl/rv3/settei.ini", "rv3 settings path taken from accounts.ini")

    resp, _ = s.get(rv3_path)
    check(resp.status == 401, "settings file without credentials: 401")
    check(resp.getheader("WWW-Authenticate") == 'Basic realm="rinvale"', "401 carries the Basic challenge")
    resp, _ = s.get(rv3_path, (DL_USER, DL_PASS + "x"))
    check(resp.status == 401, "settings file with a wrong password: 401")
    resp, _ = s.get(rv3_path, ("demo", "velmira"))
    check(resp.status == 401, "settings file with a member (not download) account: 401")
    check(s.get("/nowhere/x")[0].status == 404, "unknown endpoint: 404")
    check(s.get("/service-top/none.html")[0].status == 404, "unknown path of a known endpoint: 404")

    # every download account opens the settings file
    opened = all(s.get(rv3_path, (u, p))[0].status == 200 for u, p in ACCOUNTS.items())
    check(opened, "every download account of accounts.ini opens the settings file")


def test_settings(s):
    results = {}
    for fmt in ("rv3", "rv2"):
        resp, raw = s.get(f"/service-main/dl/{fmt}/settei.ini", (DL_USER, DL_PASS))
        check(resp.status == 200, f"{fmt} settings file: 200")
        check(int(resp.getheader("Content-Length")) == len(raw), f"{fmt} settings file: Content-Length")
        text = raw.decode("cp932")
        if fmt == "rv2":
            check(raw.endswith(b"\r\n\x1a\r\n"), "rv2 settings file ends with a Ctrl-Z line")
        check("\n" not in text.replace("\r\n", ""), f"{fmt} settings file: CR LF line ends only")
        sec = sections_of(text)
        results[fmt] = sec
        check(8 <= len(sec.get("INFO", [])) <= 12, f"{fmt}: INFO has 8 to 12 lines")
        info = "\n".join(sec.get("INFO", []))
        check("<b>" in info and "<font color" in info and "<a href" in info, f"{fmt}: INFO has heading, colour, link")
        check("2026年12月11日" in info, f"{fmt}: INFO is dated from --today")
        site = sec.get("SITE_DATA", [])
        check(f"URL=127.0.0.1:{s.port}/" in site, f"{fmt}: SITE_DATA URL")
        check(f"TYPE=data/{fmt}" in site, f"{fmt}: SITE_DATA TYPE")
        check(all(f"COURSE_{c}=course_{c.lower()}" in site for c in "ABC"), f"{fmt}: SITE_DATA course folders")
        for c in "ABC":
            check(f"TYPE={c.lower()}" in sec.get(f"NEW_{c}", []), f"{fmt}: NEW_{c} TYPE")
        expected = [k for k in KIND_SECTIONS if fmt == "rv3" or k != "KETTOU5D"]
        check([k for k in sec if k in KIND_SECTIONS] == expected, f"{fmt}: kind sections in catalogue order")
        check(all(any(line.startswith("TYPE=") for line in sec[k]) for k in expected), f"{fmt}: kind sections typed")
        files = [line[5:] for k in expected for line in sec[k] if line.startswith("FILE=")]
        months = {m for f in files for m in re.findall(r"(\d{4})\d\d\.lzh$", f)}
        check({"2612", "2701", "2611", "2610"} <= months, f"{fmt}: files of this, next, last and older months")
        check(any("/" in f for f in files) and any("/" not in f for f in files), f"{fmt}: plain and sub-folder names")
        types = {sec[k][0] for k in expected}
        check(len(types) >= 3, f"{fmt}: kind sections differ in TYPE ({sorted(types)})")
        for code in ("dkis", "ekyu", "fket", "gsyu"):
            kind = servicesim.KIND_BY_CODE[code]
            prefix = kind[2] if fmt == "rv3" else kind[3]
            check(f"FILE={servicesim.undated_name(prefix)}" in sec[kind[1]], f"{fmt}: undated {code} file")
    rv3_files = [line[5:].split("/")[-1] for k in KIND_SECTIONS for line in results["rv3"].get(k, [])]
    check(any(not f.startswith("rv3") for f in rv3_files if f.endswith(".lzh")), "rv3 file also has old-style names")
    check("FILE=j261205.lzh" in results["rv2"]["YODDS"], "rv2 file uses the old 予想オッズ prefix j")
    check(not any("../" in line for line in results["rv3"]["SYUTUBA+KYOUSOUBA"]), "no hostile names by default")
    return results


def test_data_files(s, settings):
    auth = (DL_USER, DL_PASS)
    new_b = [line[5:] for line in settings["rv3"]["NEW_B"] if line.startswith("FILE=")]
    check(len(new_b) >= 5, "NEW_B lists this month's files")
    name = new_b[0]
    resp, data = s.get(f"/data/rv3/course_b/{name}", auth)
    check(resp.status == 200, f"data file {name}: 200")
    size = servicesim.file_size(name)
    check(len(data) == size == int(resp.getheader("Content-Length")), f"data file {name}: length {size}")
    check(data == expected_content(name, size), f"data file {name}: content as documented")
    check(s.get(f"/data/rv3/course_b/{name}")[0].status == 401, "data file without credentials: 401")
    check(s.get("/data/rv3/course_b/rv3_hb000101.lzh", auth)[0].status == 404, "unlisted data file: 404")
    check(s.get("/data/rv3/course_a/rv3_hz261206.lzh", auth)[0].status == 404, "file of a section not for A: 404")
    check(s.get("/data/rv3/course_b/rv3_hz261206.lzh", auth)[0].status == 200, "file of a bc section for B: 200")
    check(s.get("/data/rv3/course_b/rv3_lb261205.lzh", auth)[0].status == 404, "file of an Ac section for B: 404")
    check(s.get("/data/rv3/course_b/2611/rv3_hb261128.lzh", auth)[0].status == 200, "sub-folder file: 200")
    check(s.get("/data/rv3/course_b/rv3_hb261128.lzh", auth)[0].status == 404, "sub-folder file without folder: 404")
    check(s.get("/data/rv2/course_c/fket.lzh", auth)[0].status == 200, "rv2 data file: 200")
    check(s.get("/data/rv2/course_c/ketto/rv3_fket5.lzh", auth)[0].status == 404, "rv3 file under rv2: 404")

    big = "rv3_fket5.lzh"
    resp, data = s.get(f"/data/rv3/course_a/ketto/{big}", auth)
    check(resp.status == 200 and len(data) >= 20 * 1024 * 1024, f"{big} is at least 20 MiB ({len(data)})")
    info = json.loads(s.get("/_control/file?name=" + big)[1])
    check(info["size"] == len(data) and info["sha256"] == hashlib.sha256(data).hexdigest(), f"{big}: size and sha256")
    lengths = [servicesim.file_size(n) for n in new_b]
    check(all(4 * 1024 <= n <= 600 * 1024 for n in lengths), "this month's files are 4 to 600 KiB")

    # keep-alive: two answers on one connection
    conn = http.client.HTTPConnection("127.0.0.1", s.port, timeout=10)
    header = {"Authorization": "Basic " + base64.b64encode(f"{DL_USER}:{DL_PASS}".encode()).decode()}
    statuses = []
    for n in new_b[:2]:
        conn.request("GET", f"/data/rv3/course_b/{n}", headers=header)
        r = conn.getresponse()
        r.read()
        statuses.append(r.status)
    conn.close()
    check(statuses == [200, 200], "two requests on one kept-alive connection")


def test_credit(s):
    page = "フレーム".encode("cp932")
    resp, body = s.get("/service-main/credit/m2-member/", ("demo", "velmira"))
    check(resp.status == 200 and page in body, "credit page A for demo: 200 with フレーム")
    check("shift_jis" in resp.getheader("Content-Type", "").lower(), "credit page is labelled Shift_JIS")
    check(s.get("/service-main/credit/m4-member/", ("credit_c", "pass_c"))[0].status == 200, "credit_c opens C")
    check(s.get("/service-main/credit/m2-member/", ("credit_b", "pass_b"))[0].status == 401, "credit_b refused on A")
    check(s.get("/service-main/credit/m3-member/", ("demo", "wrong"))[0].status == 401, "wrong member password: 401")
    check(s.get("/service-main/credit/m3-member/")[0].status == 401, "credit page without credentials: 401")
    check(s.get("/service-main/credit/m3-member/", (DL_USER, DL_PASS))[0].status == 401, "download account: 401")
    s.control("faults", {"credit_no_frame": True})
    resp, body = s.get("/service-main/credit/m3-member/", ("demo", "velmira"))
    check(resp.status == 200 and page not in body, "credit_no_frame: 200 without フレーム")
    s.control("reset")


def raw_get(port, path, auth, timeout):
    """Status, announced length and the body bytes that arrived before the end or the timeout."""
    sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
    token = base64.b64encode(f"{auth[0]}:{auth[1]}".encode()).decode()
    sock.sendall(f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nAuthorization: Basic {token}\r\n\r\n".encode())
    data = b""
    closed = False
    try:
        while True:
            part = sock.recv(65536)
            if not part:
                closed = True
                break
            data += part
            head, sep, body = data.partition(b"\r\n\r\n")
            length = re.search(rb"Content-Length: (\d+)", head)
            if sep and length and len(body) >= int(length.group(1)):
                break
    except socket.timeout:
        pass
    head, _, body = data.partition(b"\r\n\r\n")
    status = int(head.split(b" ")[1]) if head else None
    length = re.search(rb"Content-Length: (\d+)", head)
    return sock, status, int(length.group(1)) if length else None, body, closed


def test_faults(s, settings):
    auth = (DL_USER, DL_PASS)
    new_b = [line[5:] for line in settings["rv3"]["NEW_B"] if line.startswith("FILE=")]
    a, b, c, d = new_b[:4]

    status, _ = s.control("faults", {"bogus": 1})
    check(status == 400, "unknown fault key: 400")
    status, _ = s.control("faults", {"status": {a: "500"}})
    check(status == 400, "status fault that is no number: 400")

    status, _ = s.control("faults", {"drop": [a], "status": {b: 500, c: 404, d: 401}})
    check(status == 200, "fault set accepted")
    sock, st, length, body, closed = raw_get(s.port, f"/data/rv3/course_b/{a}", auth, 10)
    sock.close()
    check(st == 200 and length == servicesim.file_size(a), "drop: headers announce the full length")
    check(closed and len(body) == length // 2, f"drop: connection closed after half the body ({len(body)}/{length})")
    check(s.get(f"/data/rv3/course_b/{b}", auth)[0].status == 500, "status fault 500")
    check(s.get(f"/data/rv3/course_b/{c}", auth)[0].status == 404, "status fault 404")
    resp, _ = s.get(f"/data/rv3/course_b/{d}", auth)
    check(resp.status == 401 and resp.getheader("WWW-Authenticate"), "status fault 401 with challenge")
    check(s.get(f"/data/rv3/course_b/{new_b[4]}", auth)[0].status == 200, "files without faults still served")

    s.control("faults", {"stall": [a]})
    sock, st, length, body, closed = raw_get(s.port, f"/data/rv3/course_b/{a}", auth, 1.5)
    check(st == 200 and not closed and len(body) == length // 2, "stall: half the body, connection held open")
    started = time.monotonic()
    other = s.get(f"/data/rv3/course_b/{b}", auth)[0].status
    check(other == 200 and time.monotonic() - started < 5, "other requests are served during a stall")
    sock.close()

    small = min(new_b, key=servicesim.file_size)
    s.control("faults", {"slow": {small: 20000}})
    started = time.monotonic()
    resp, data = s.get(f"/data/rv3/course_b/{small}", auth)
    took = time.monotonic() - started
    want = len(data) / 20000
    check(resp.status == 200 and want * 0.8 <= took <= want + 3, f"slow: {len(data)} bytes in {took:.1f}s")

    s.control("faults", {"missing_settings": "rv2"})
    check(s.get("/service-main/dl/rv2/settei.ini", auth)[0].status == 404, "missing_settings rv2: rv2 404")
    check(s.get("/service-main/dl/rv3/settei.ini", auth)[0].status == 200, "missing_settings rv2: rv3 still 200")
    s.control("faults", {"missing_settings": "both"})
    check(s.get("/service-main/dl/rv3/settei.ini", auth)[0].status == 404, "missing_settings both: rv3 404")

    s.control("faults", {"hostile_names": True})
    text = s.get("/service-main/dl/rv3/settei.ini", auth)[1].decode("cp932")
    hb = sections_of(text)["SYUTUBA+KYOUSOUBA"]
    for name in servicesim.HOSTILE_FILES:
        check("FILE=" + name in hb, f"hostile_names lists {name!r}")
    check(s.get("/data/rv3/course_b/C%3Aevil.lzh", auth)[0].status == 200, "hostile name is served")

    s.control("reset")
    s.control("faults", {"redirect_foreign": [a]})
    path = f"/data/rv3/course_b/{a}"
    resp, _ = s.get(path, auth)
    location = resp.getheader("Location")
    check(resp.status == 302 and location == f"http://localhost:{s.port}{path}", "redirect_foreign: 302 to localhost")
    check(s.get(path)[0].status == 401, "redirect_foreign: credentials still needed at 127.0.0.1")
    resp, data = s.get(path, host="localhost")
    check(resp.status == 200 and len(data) == servicesim.file_size(a), "localhost serves the file without credentials")
    s.get(path, auth, host="localhost")
    entries = [e for e in s.control("log") if e["path"] == path]
    foreign = [e for e in entries if e["host"].startswith("localhost")]
    check(
        [(e["auth"], e["user"], e["status"]) for e in foreign] == [(False, None, 200), (True, DL_USER, 200)],
        "log tells whether credentials came along to localhost",
    )
    local = [e for e in entries if e["host"].startswith("127.0.0.1")]
    check([(e["auth"], e["status"]) for e in local] == [(True, 302), (False, 401)], "log of the 127.0.0.1 requests")

    s.control("reset")
    check(s.control("log") == [], "reset clears the log")
    check(s.get(path, auth)[0].status == 200, "reset clears the faults")


def test_start_options():
    with tempfile.TemporaryDirectory() as tmp:
        faults = os.path.join(tmp, "faults.json")
        with open(faults, "w") as f:
            json.dump({"missing_settings": "rv3"}, f)
        data = os.path.join(tmp, "data")
        os.makedirs(os.path.join(data, "service-main", "dl", "rv2"))
        os.makedirs(os.path.join(data, "data", "rv2", "mine"))
        with open(os.path.join(data, "service-main", "dl", "rv2", "settei.ini"), "wb") as f:
            f.write(b"[SITE_DATA]\r\nCOURSE_B=mine\r\n[TOKUBETU]\r\nTYPE=b\r\nFILE=x/nd991231.lzh\r\n")
        with open(os.path.join(data, "data", "rv2", "mine", "own.bin"), "wb") as f:
            f.write(b"own bytes")
        os.makedirs(os.path.join(data, "service-wallet"))
        with open(os.path.join(data, "service-wallet", "index_m2.html"), "wb") as f:
            f.write(b"<html><body>own index</body></html>")
        s = Service("--faults", faults, "--data-dir", data, "--today", TODAY)
        auth = (DL_USER, DL_PASS)
        try:
            check(s.get("/service-main/dl/rv3/settei.ini", auth)[0].status == 404, "--faults applies at start")
            resp, body = s.get("/service-main/dl/rv2/settei.ini", auth)
            check(body.startswith(b"[SITE_DATA]\r\nCOURSE_B=mine"), "--data-dir replaces the settings file")
            check(s.get("/data/rv2/mine/x/nd991231.lzh", auth)[0].status == 200, "its listed file is served")
            check(s.get("/data/rv2/course_b/nd261205.lzh", auth)[0].status == 404, "generated list no longer used")
            check(s.get("/data/rv2/mine/own.bin", auth)[1] == b"own bytes", "--data-dir file served as is")
            check(s.get("/data/rv2/mine/own.bin")[0].status == 401, "--data-dir file still needs credentials")
            check(s.get("/data/rv2/mine/%2e%2e/%2e%2e/%2e%2e/faults.json", auth)[0].status == 404, "no way out")
            check(s.get("/service-wallet/index_m2.html")[1] == b"<html><body>own index</body></html>",
                  "--data-dir replaces a login road page")
            check(b"<form " in s.get("/service-wallet/index_m3.html")[1], "the other login road pages stay generated")
        finally:
            s.stop()
        bad = os.path.join(tmp, "bad.json")
        with open(bad, "w") as f:
            f.write('{"drop": "not a list"}')
        proc = subprocess.run(
            [sys.executable, SCRIPT, "--endpoints-file", os.path.join(tmp, "e"), "--faults", bad],
            capture_output=True,
            text=True,
            timeout=30,
        )
        check(proc.returncode != 0 and proc.stdout == "", "a bad --faults file stops the start")


# ---------------------------------------------------------------------------------------------
# Login roads of the billing providers

COURSES = {"a": ("m2", "Aコース"), "b": ("m3", "Bコース"), "c": ("m4", "Cコース")}
ERROR_LINE = '<p class="error" style="color: #cc0000;">'
OPEN_TAG = re.compile(r'<[a-z][a-z0-9]*(?: [a-z][a-z0-9._:-]*="[^"<>]*")*>')
CLOSE_TAG = re.compile(r"</[a-z][a-z0-9]*>")


def markup_problems(page, base, script_allowed=False):
    """What in a page differs from the way the program's browser writes markup back (lower-case
    tags, every attribute value double-quoted, no "/>"), plus scripts and addresses elsewhere."""
    problems = []
    scripts = re.findall(r"(?s)<script>.*?</script>", page)
    if scripts and not script_allowed:
        problems.append("script")
    text = re.sub(r"(?s)<script>.*?</script>", "<script></script>", page)
    for tag in re.findall(r"<[^>]*>", text):
        if tag != "<!DOCTYPE html>" and not (OPEN_TAG.fullmatch(tag) or CLOSE_TAG.fullmatch(tag)):
            problems.append(tag)
    for entity in re.findall(r"&[^;\s]*;?", text):
        if entity not in ("&amp;", "&quot;", "&lt;", "&gt;", "&nbsp;"):
            problems.append(entity)
    if "\u00a0" in text:
        problems.append("raw no-break space")
    if '<meta charset="utf-8">' not in text:
        problems.append("no meta charset utf-8")
    for address in re.findall(r'(?:src|href|action)="([^"]*)"', text):
        if not address.startswith(base + "/"):
            problems.append("address elsewhere: " + address)
    return problems


class Forms(HTMLParser):
    """Forms (action, method, inputs) and link targets of a page."""

    def __init__(self, page):
        super().__init__(convert_charrefs=True)
        self.forms = []
        self.links = []
        self.current = None
        self.feed(page)

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "form":
            self.current = {"action": attrs.get("action"), "method": attrs.get("method", "get"), "inputs": []}
            self.forms.append(self.current)
        elif tag == "input" and self.current is not None:
            self.current["inputs"].append(attrs)
        elif tag == "a":
            self.links.append(attrs.get("href"))

    def handle_endtag(self, tag):
        if tag == "form":
            self.current = None


def title_of(page):
    match = re.search(r"(?s)<title>(.*?)</title>", page)
    return match.group(1) if match else None


def cut_after(text, marker):
    """The program's CutAfter: the text after the first marker, or None without one."""
    head, found, tail = text.partition(marker)
    return tail if found else None


def extract_between(text, start, end):
    """The program's ExtractBetween: the text from the first start marker up to the first end
    marker after it, or "" when either is missing."""
    at = text.find(start)
    if at < 0:
        return ""
    stop = text.find(end, at)
    return text[at:stop] if stop >= 0 else ""


class Roads:
    """Talks to the login roads like a browser that does not follow redirects by itself."""

    def __init__(self, s):
        self.s = s
        self.base = f"http://127.0.0.1:{s.port}"
        self.links = set()

    def local(self, address):
        if not address.startswith(self.base + "/"):
            raise AssertionError("address not on the service: " + address)
        return address[len(self.base) :]

    def page(self, address, what, script_allowed=False):
        """GET of a page that must answer 200 in the browser's markup form; gives its text."""
        resp, data = self.s.get(self.local(address))
        ok = resp.status == 200 and "charset=utf-8" in (resp.getheader("Content-Type") or "")
        check(ok, f"{what}: 200, UTF-8 ({resp.status})")
        try:
            page = data.decode("utf-8")
        except UnicodeDecodeError:
            check(False, f"{what}: body is UTF-8")
            return ""
        problems = markup_problems(page, self.base, script_allowed)
        check(not problems, f"{what}: markup as the browser writes it {problems[:3]}")
        self.links.update(link for link in Forms(page).links if link)
        return page

    def post(self, address, fields):
        body = urllib.parse.urlencode(fields).encode()
        conn = http.client.HTTPConnection("127.0.0.1", self.s.port, timeout=30)
        conn.request("POST", self.local(address), body=body,
                     headers={"Content-Type": "application/x-www-form-urlencoded"})
        resp = conn.getresponse()
        data = resp.read()
        conn.close()
        return resp, data.decode("utf-8", "replace")

    def submit(self, page, values, index=-1):
        """Fills the form of a page (the last one unless told) like the member and sends it as the
        browser would: hidden fields as they are plus the values given. Gives (response, text)."""
        form = Forms(page).forms[index]
        fields = {i["name"]: i.get("value", "") for i in form["inputs"] if i.get("type") == "hidden" and i.get("name")}
        fields.update(values)  # a page script may fill a hidden field (WebMoney)
        fields = list(fields.items())
        if form["method"] == "post":
            return self.post(form["action"], fields)
        address = form["action"].split("?", 1)[0] + "?" + urllib.parse.urlencode(fields)
        resp, data = self.s.get(self.local(address))
        return resp, data.decode("utf-8", "replace"), address

    def expect_redirect(self, result, location, what):
        resp = result[0]
        got = resp.getheader("Location")
        check(resp.status == 302 and got == location, f"{what}: 302 to {location} (got {resp.status} {got})")

    def expect_error(self, result, field, what):
        resp, page = result[0], result[1]
        check(
            resp.status == 200 and ERROR_LINE in page and field in page and resp.getheader("Location") is None,
            f"{what}: form shown again with a red error line",
        )

    def member(self, provider_endpoint, path, course, what, title=None):
        page = self.page(self.base + f"/{provider_endpoint}{path}", what)
        want = title or f"リンヴェールOnLine メンバーページ ({COURSES[course][1]})"
        check(title_of(page) == want, f"{what}: title {want!r} (got {title_of(page)!r})")


def test_markup_checker():
    base = "http://127.0.0.1:1"
    good = f'<!DOCTYPE html>\n<meta charset="utf-8"><p class="x">a &amp; b&nbsp;</p><a href="{base}/x/">y</a>'
    check(markup_problems(good, base) == [], "markup checker passes the browser's form")
    for bad in ("<P>x</P>", "<input type=text>", "<input type='text'>", "<br/>", "a & b", "\u00a0",
                '<a href="http://example.org/">x</a>', "<script>x()</script>"):
        check(markup_problems('<meta charset="utf-8">' + bad, base) != [], f"markup checker refuses {bad!r}")


def test_biglobe(r):
    for course, (area, label) in COURSES.items():
        goods = {"a": "0006", "b": "0009", "c": "0012"}[course]
        login = f"{r.base}/biglobe-gateway/gw/cp_gwcharge.php?GwShopCode=1291&GwGoodsCode={goods}"
        page = r.page(login, f"BIGLOBE login page {label}")
        check('<input type="text" name="BiglobeId"' in page, f"BIGLOBE {label}: text input BiglobeId")
        check('<input type="password" name="BiglobePwd"' in page, f"BIGLOBE {label}: password input BiglobePwd")
        check('<input type="submit" value="ログイン">' in page, f"BIGLOBE {label}: button ログイン")
        check('method="post"' in page and f'action="{r.base}/biglobe-gateway/' in page, f"BIGLOBE {label}: posts back")
        result = r.submit(page, {"BiglobeId": "bg_demo", "BiglobePwd": "velmira"})
        r.expect_redirect(result, f"{r.base}/service-biglobe/{area}-member/index.html", f"BIGLOBE bg_demo {label}")
        r.member("service-biglobe", f"/{area}-member/index.html", course, f"BIGLOBE member page {label}")
    page = r.page(f"{r.base}/biglobe-gateway/gw/cp_gwcharge.php?GwShopCode=1291&GwGoodsCode=0006", "BIGLOBE A")
    r.expect_redirect(r.submit(page, {"BiglobeId": "bg_b", "BiglobePwd": "pass_b"}),
                      f"{r.base}/service-biglobe/no_entry.html", "BIGLOBE bg_b on A")
    r.expect_error(r.submit(page, {"BiglobeId": "bg_demo", "BiglobePwd": "wrong"}), 'name="BiglobeId"',
                   "BIGLOBE wrong password")
    r.expect_error(r.submit(page, {"BiglobeId": "demo", "BiglobePwd": "velmira"}), 'name="BiglobeId"',
                   "BIGLOBE credit account")
    page = r.page(f"{r.base}/service-biglobe/no_entry.html", "BIGLOBE no-entry page")
    check("<title" not in page.lower() and "<body>" in page, "BIGLOBE no-entry page has no title element")
    check(r.s.get("/biglobe-gateway/gw/cp_gwcharge.php?GwShopCode=1291&GwGoodsCode=0007")[0].status == 404,
          "BIGLOBE unknown goods code: 404")


def test_nifty(r):
    paths = {"a": "rinvale_a/m2", "b": "rinvale_b/m3", "c": "rinvale_c/m4"}
    for course, (area, label) in COURSES.items():
        member = f"{r.base}/nifty-member/member/service/g-way/{paths[course]}-member/"
        page = r.page(f"{r.base}/nifty-login/pub/login.cgi?service=member&back={member}", f"@nifty login {label}")
        check('<input type="text" name="username"' in page, f"@nifty {label}: text input username")
        check('<input type="password" name="password"' in page, f"@nifty {label}: password input password")
        check('<input type="submit" value="ログイン">' in page, f"@nifty {label}: button ログイン")
        r.expect_redirect(r.submit(page, {"username": "nf_demo", "password": "velmira"}), member, f"@nifty {label}")
        r.member("nifty-member", member[len(r.base) + len("/nifty-member"):], course, f"@nifty member page {label}",
                 title="リンヴェールOnLine - nifty")
        if course != "c":
            r.expect_error(r.submit(page, {"username": "nf_c", "password": "pass_c"}), 'name="username"',
                           f"@nifty nf_c on {label}")
    member_c = f"{r.base}/nifty-member/member/service/g-way/rinvale_c/m4-member/"
    page = r.page(f"{r.base}/nifty-login/pub/login.cgi?service=member&back={member_c}", "@nifty login C")
    r.expect_redirect(r.submit(page, {"username": "nf_c", "password": "pass_c"}), member_c, "@nifty nf_c on C")
    r.expect_error(r.submit(page, {"username": "nf_c", "password": "pass_a"}), 'name="username"', "@nifty wrong pw")
    bad_back = "/nifty-login/pub/login.cgi?service=member&back=http://example.org/"
    check(r.s.get(bad_back)[0].status == 400, "@nifty back address elsewhere: 400")
    r.s.control("faults", {"nifty_no_title": True})
    page = r.page(member_c, "@nifty member page with nifty_no_title")
    check(title_of(page) not in (None, "リンヴェールOnLine - nifty"), "nifty_no_title: another title")
    r.s.control("reset")


def test_sonet(r):
    groups = {"a": "816s04", "b": "816s05", "c": "816s06"}
    for course, (area, label) in COURSES.items():
        login = f"{r.base}/sonet-web/rinvale/subscribe-m/cgi-bin/loginindex.cgi?GRP_NO={groups[course]}"
        page = r.page(login, f"So-net login {label}")
        check('<input type="text" name="usr_id"' in page, f"So-net {label}: text input usr_id")
        check('<input type="password" name="passwd"' in page, f"So-net {label}: password input passwd")
        check('<input type="submit" value="ログイン">' in page, f"So-net {label}: button ログイン")
        r.expect_redirect(r.submit(page, {"usr_id": "sn_demo", "passwd": "velmira"}),
                          f"{r.base}/service-sonet/{area}-member/", f"So-net sn_demo {label}")
        r.member("service-sonet", f"/{area}-member/", course, f"So-net member page {label}")
        if course != "a":
            r.expect_error(r.submit(page, {"usr_id": "sn_a", "passwd": "pass_a"}), 'name="usr_id"',
                           f"So-net sn_a on {label}")
        else:
            r.expect_redirect(r.submit(page, {"usr_id": "sn_a", "passwd": "pass_a"}),
                              f"{r.base}/service-sonet/m2-member/", "So-net sn_a on A")
    check(r.s.get("/sonet-web/rinvale/subscribe-m/cgi-bin/loginindex.cgi?GRP_NO=816s07")[0].status == 404,
          "So-net unknown group: 404")


def test_ocn(r):
    for course, (area, label) in COURSES.items():
        page = r.page(f"{r.base}/ocn-payment/rinvale/{area}-member/index_login.html", f"OCN login {label}")
        check('<input type="text" name="ID"' in page, f"OCN {label}: text input ID")
        check('<input type="password" name="IDPWD"' in page, f"OCN {label}: password input IDPWD")
        check('<input type="submit" value="確認">' in page, f"OCN {label}: button 確認")
        r.expect_redirect(r.submit(page, {"ID": "ocn_demo", "IDPWD": "velmira"}),
                          f"{r.base}/ocn-payment/rinvale/{area}-member/index.html", f"OCN ocn_demo {label}")
        r.member("ocn-payment", f"/rinvale/{area}-member/index.html", course, f"OCN member page {label}")
        r.expect_error(r.submit(page, {"ID": "", "IDPWD": ""}), 'name="ID"', f"OCN empty ID and password {label}")
    page = r.page(f"{r.base}/ocn-payment/rinvale/m3-member/index_login.html", "OCN login B")
    r.expect_redirect(r.submit(page, {"ID": "ocn_b", "IDPWD": "pass_b"}),
                      f"{r.base}/ocn-payment/rinvale/m3-member/index.html", "OCN ocn_b on B")
    page = r.page(f"{r.base}/ocn-payment/rinvale/m4-member/index_login.html", "OCN login C")
    r.expect_error(r.submit(page, {"ID": "ocn_b", "IDPWD": "pass_b"}), 'name="ID"', "OCN ocn_b on C")


def test_webmoney(r):
    for course, (area, label) in COURSES.items():
        page = r.page(f"{r.base}/service-webmoney/cgi-bin/wm_member/m_gotowm{area[1]}.cgi",
                      f"WebMoney page {label}", script_allowed=True)
        inputs = Forms(page).forms[-1]["inputs"] if Forms(page).forms else []
        visible = [i for i in inputs if i.get("type") == "text"]
        check(len(visible) == 1 and "name" not in visible[0], f"WebMoney {label}: one text input without a name")
        check('<input type="hidden" name="prepaid" value="">' in page, f"WebMoney {label}: hidden input prepaid")
        check('<input type="submit" value="決済する">' in page, f"WebMoney {label}: button 決済する")
        check(page.count("<script>") == 1 and '"prepaid"' in page.split("<script>")[1], f"WebMoney {label}: script")
        # the page's script copies the visible number into the hidden field on submit
        r.expect_redirect(r.submit(page, {"prepaid": "1111-2222-3333-4444"}),
                          f"{r.base}/service-webmoney/{area}-member/index.html", f"WebMoney number {label}")
        r.member("service-webmoney", f"/{area}-member/index.html", course, f"WebMoney member page {label}")
        if course != "a":
            r.expect_error(r.submit(page, {"prepaid": "5555666677778888"}), "prepaid", f"WebMoney A-only on {label}")
    page = r.page(f"{r.base}/service-webmoney/cgi-bin/wm_member/m_gotowm2.cgi", "WebMoney A", script_allowed=True)
    r.expect_redirect(r.submit(page, {"prepaid": "5555666677778888"}),
                      f"{r.base}/service-webmoney/m2-member/index.html", "WebMoney A-only number on A")
    r.expect_error(r.submit(page, {"prepaid": "1111222233334445"}), "prepaid", "WebMoney unknown number")
    r.expect_error(r.submit(page, {"prepaid": ""}), "prepaid", "WebMoney empty number")


def test_bitcash(r):
    registered = ["あいうえ", "かきくけ", "さしすせ", "たちつて"]
    only_c = ["なにぬね", "はひふへ", "まみむめ", "やゆよわ"]
    unregistered = ["らりるれ", "わをんあ", "いうえお", "かきくけ"]
    result_page = f"{r.base}/service-main/bitcash/auth/login.cgi"

    def fill(groups):
        return {f"CARD_NUMBER{i}": g for i, g in enumerate(groups, 1)}

    def result_ok(result, what):
        resp, page = result
        ok = resp.status == 200 and resp.getheader("Location") is None and not markup_problems(page, r.base)
        check(ok, f"{what}: answered 200 at the result address itself")
        return page

    for course, (area, label) in COURSES.items():
        page = r.page(f"{r.base}/service-main/bitcash/auth/login_{area}.html", f"BitCash login {label}")
        for i in range(1, 5):
            check(f'<input type="text" name="CARD_NUMBER{i}"' in page, f"BitCash {label}: input CARD_NUMBER{i}")
        check(f'<input type="hidden" name="COURSE" value="{area}">' in page, f"BitCash {label}: hidden course")
        check('accept-charset="utf-8"' in page and '<input type="submit" value="ログイン">' in page,
              f"BitCash {label}: UTF-8 post, button ログイン")
        check(Forms(page).forms[-1]["action"] == result_page, f"BitCash {label}: posts to the result address")
        done = result_ok(r.submit(page, fill(registered)), f"BitCash registered ID {label}")
        check(re.search(r"\d{4}年\d{1,2}月\d{1,2}日まで有効です", done) is not None, f"BitCash {label}: まで有効です")
        check("会員登録が完了しておりません" not in done, f"BitCash {label}: no unregistered text when valid")
        member = f"{r.base}/service-bitcash/{area}-member/"
        check(f'<a href="{member}">' in done, f"BitCash {label}: link to the member page")
        r.member("service-bitcash", f"/{area}-member/", course, f"BitCash member page {label}")
        page_u = result_ok(r.submit(page, fill(unregistered)), f"BitCash unregistered ID {label}")
        check("会員登録が完了しておりません" in page_u and "まで有効です" not in page_u, f"BitCash {label}: unregistered")
        page_c = result_ok(r.submit(page, fill(only_c)), f"BitCash C-only ID {label}")
        if course == "c":
            check("まで有効です" in page_c, "BitCash C-only ID on C: valid")
        else:
            check("会員登録が完了しておりません" in page_c and "まで有効です" not in page_c, f"BitCash C-only on {label}")
        page_x = result_ok(r.submit(page, fill(["あいうえ", "かきくけ", "さしすせ", "たちつと"])), f"BitCash unknown {label}")
        check("まで有効です" not in page_x and "会員登録が完了しておりません" not in page_x and 'class="error"' in page_x,
              f"BitCash unknown ID {label}: an error page with neither text")
    page = r.page(f"{r.base}/service-main/dazorezazi/touroku/step2_bitcash.html", "BitCash registration page")
    check(r.s.get("/service-main/bitcash/auth/login.cgi")[0].status == 405, "BitCash result address: GET 405")


def test_wallet(r):
    consent_root = f"{r.base}/yahoo-auth/"
    footer = (f'<a href="{r.base}/yahoo-top/">Yahoo! JAPAN</a>&nbsp;-&nbsp;'
              f'<a href="{r.base}/yahoo-help/help/jp/">ヘルプ</a>')
    for course, (area, label) in COURSES.items():
        member = f"{r.base}/service-wallet/{area}-member/index.html"
        index = r.page(f"{r.base}/service-wallet/index_{area}.html", f"wallet index {label}")
        body = index.split("<body>", 1)[1] if "<body>" in index else ""
        check(title_of(index) != "Yahoo!ウォレット", f"wallet index {label}: not the no-membership title")
        head, _, _ = body.partition("</form>")
        check("<form " in head and "購入する" in head, f"wallet index {label}: a first form before the first </form>")
        rest = cut_after(body, "</form>")
        check(rest is not None, f"wallet index {label}: has </form>")
        form = extract_between(rest or "", "<form ", "<p>\u3000</p>")
        login_action = (f'<form action="{r.base}/yahoo-login/config/login?.src=wallet&amp;.done='
                        + urllib.parse.quote(member, safe="") + '" method="get">')
        check(form.startswith(login_action), f"wallet index {label}: the login form follows the first </form>")
        check('<input type="submit" value="ログイン">' in form and form.rstrip().endswith("</form>"),
              f"wallet index {label}: the login form has ログイン and ends before <p>\u3000</p>")
        after = (rest or "").split("<p>\u3000</p>", 1)[-1]
        check("<p>\u3000</p>" in (rest or "") and "<a href=" in after, f"wallet index {label}: footer with a link")

        # the login button: the browser sends the form's fields as the query of the action
        resp, login_page, address = r.submit(body, {}, index=1)
        check(address.startswith(f"{r.base}/yahoo-login/config/login?.src"), f"wallet {label}: login address")
        check(resp.status == 200, f"wallet {label}: the Yahoo! JAPAN login page answers")
        login_page = r.page(address, f"Yahoo! JAPAN login page {label}")
        persistent = '<input id="persistent" type="checkbox" name=".persistent" value="y" checked="checked">'
        check(persistent in login_page, f"Yahoo! login {label}: persistent check box as written")
        check('<input id="persistent" ' in login_page, f"Yahoo! login {label}: <input id=\"persistent\" ")
        check('<input type="text" name="login"' in login_page, f"Yahoo! login {label}: text input login")
        check('<input type="password" name="passwd"' in login_page, f"Yahoo! login {label}: password input passwd")
        check('<input type="submit" value="ログイン">' in login_page, f"Yahoo! login {label}: button ログイン")
        anchors = re.findall(r"<a\b[^>]*>", login_page)
        check(len(anchors) >= 3 and all(a.startswith("<a href") for a in anchors), f"Yahoo! login {label}: links")
        check(Forms(login_page).forms[-1]["action"] == f"{r.base}/yahoo-login/config/login_verify",
              f"Yahoo! login {label}: posts to login_verify")

        result = r.submit(login_page, {"login": "y_demo", "passwd": "velmira"})
        location = result[0].getheader("Location") or ""
        check(result[0].status == 302 and location.startswith(consent_root + "consent?.done="),
              f"Yahoo! login {label}: 302 to the consent page ({location})")
        consent = r.page(location, f"consent page {label}") if location.startswith(r.base) else ""
        check("「注意事項」" in consent and '<input type="submit" value="同意する">' in consent,
              f"consent {label}: notes and 同意する")
        check(consent.count(footer) == 1, f"consent {label}: footer exactly as the program matches it")
        check(f'<a href="{r.base}/yahoo-top/">キャンセル</a>' in consent, f"consent {label}: キャンセル to the top")
        check(Forms(consent).forms[-1]["action"] == f"{r.base}/yahoo-auth/consent_verify",
              f"consent {label}: posts to consent_verify")
        r.expect_redirect(r.submit(consent, {}), member, f"consent y_demo {label}")
        r.member("service-wallet", f"/{area}-member/index.html", course, f"wallet member page {label}")

        # no course at all, and a course not held
        for user, password in (("y_none", "pass_n"), ("y_a", "pass_a")):
            if user == "y_a" and course == "a":
                continue
            location = r.submit(login_page, {"login": user, "passwd": password})[0].getheader("Location") or ""
            consent = r.page(location, f"consent page {user} {label}") if location.startswith(r.base) else ""
            r.expect_redirect(r.submit(consent, {}), f"{r.base}/service-wallet/no_member.html", f"{user} {label}")
        r.expect_error(r.submit(login_page, {"login": "y_demo", "passwd": "nope"}), 'name="login"',
                       f"Yahoo! login wrong password {label}")
    page = r.page(f"{r.base}/yahoo-login/config/login?.src=wallet&.done=" + urllib.parse.quote(
        f"{r.base}/service-wallet/m2-member/index.html", safe=""), "Yahoo! JAPAN login A")
    location = r.submit(page, {"login": "y_a", "passwd": "pass_a"})[0].getheader("Location") or ""
    consent = r.page(location, "consent y_a A") if location.startswith(r.base) else ""
    r.expect_redirect(r.submit(consent, {}), f"{r.base}/service-wallet/m2-member/index.html", "y_a on A")

    page = r.page(f"{r.base}/service-wallet/no_member.html", "no-membership page")
    check(title_of(page) == "Yahoo!ウォレット", "no-membership page: title exactly Yahoo!ウォレット")
    forged = {".tok": "forged", ".done": f"{r.base}/service-wallet/m2-member/index.html"}
    expired = r.post(f"{r.base}/yahoo-auth/consent_verify", forged)
    check(expired[0].status == 200 and expired[0].getheader("Location") is None, "consent with a forged token: refused")
    page = r.page(f"{r.base}/yahoo-top/", "Yahoo! JAPAN top page")
    page = r.page(f"{r.base}/yahoo-help/help/jp/", "Yahoo! JAPAN help index")

    r.s.control("faults", {"status": {"index_m2.html": 503}})
    check(r.s.get("/service-wallet/index_m2.html")[0].status == 503, "status fault on a login road page")
    check(r.s.get("/service-wallet/index_m3.html")[0].status == 200, "status fault hits only the page named")
    r.s.control("faults", {"wallet_no_form": True})
    page = r.page(f"{r.base}/service-wallet/index_m3.html", "wallet index with wallet_no_form")
    check("</form>" not in page and "<form" not in page, "wallet_no_form: no form at all")
    r.s.control("reset")


def test_login_roads(s):
    r = Roads(s)
    s.control("reset")
    test_biglobe(r)
    test_nifty(r)
    test_sonet(r)
    test_ocn(r)
    test_webmoney(r)
    test_bitcash(r)
    test_wallet(r)
    broken = sorted(link for link in r.links if s.get(r.local(link))[0].status != 200)
    check(r.links and not broken, f"every link on the login road pages answers 200 {broken[:3]}")
    # methods and the log
    check(s.get("/service-sonet/m2-member/")[0].status == 200, "member page by GET")
    resp, _ = r.post(f"{r.base}/service-sonet/m2-member/", {"x": "1"})
    check(resp.status == 405, "POST to a page: 405")
    resp, _ = r.post(f"{r.base}/service-top/none.html", {"x": "1"})
    check(resp.status == 405, "POST to an unknown address: 405")
    check(s.get("/yahoo-auth/consent_verify")[0].status == 405, "GET of a form target: 405")
    s.control("reset")
    page = r.page(f"{r.base}/biglobe-gateway/gw/cp_gwcharge.php?GwShopCode=1291&GwGoodsCode=0009", "BIGLOBE B")
    r.submit(page, {"BiglobeId": "bg_b", "BiglobePwd": "pass_b"})
    r.submit(page, {"BiglobeId": "bg_b", "BiglobePwd": "wrong"})
    logged = [(e["method"], e["path"].split("?")[0], e["status"]) for e in s.control("log")]
    want = [("GET", "/biglobe-gateway/gw/cp_gwcharge.php", 200), ("POST", "/biglobe-gateway/gw/cp_gwlogin.php", 302),
            ("POST", "/biglobe-gateway/gw/cp_gwlogin.php", 200)]
    check(logged == want, f"the log lists the login requests with their status {logged}")
    s.control("reset")


def test_bad_members_file():
    with tempfile.TemporaryDirectory() as tmp:
        members = os.path.join(tmp, "members.ini")
        bad = {
            "a course letter other than a, b, c": "[credit]\nx = y a\n[yahoo]\nu = p abz\n",
            "a BitCash ID of two groups": "[credit]\nx = y a\n[bitcash]\nあ;い = registered a\n",
        }
        for what, text in bad.items():
            with open(members, "w", encoding="utf-8") as f:
                f.write(text)
            proc = subprocess.run(
                [sys.executable, SCRIPT, "--endpoints-file", os.path.join(tmp, "e"), "--members", members],
                capture_output=True, text=True, timeout=30,
            )
            check(proc.returncode != 0 and proc.stdout == "", f"a members file with {what} stops the start")


def main():
    test_endpoint_table()
    test_markup_checker()
    s = Service("--today", TODAY)
    try:
        test_basics(s)
        settings = test_settings(s)
        test_data_files(s, settings)
        test_credit(s)
        test_login_roads(s)
        test_faults(s, settings)
        # a stalled transfer must not keep the service from stopping
        s.control("faults", {"stall": ["rv3_fket5.lzh"]})
        sock, *_ = raw_get(s.port, "/data/rv3/course_a/ketto/rv3_fket5.lzh", (DL_USER, DL_PASS), 1)
    finally:
        code = s.stop()
    sock.close()
    check(code == 0, f"SIGTERM ends the service with exit code 0 (got {code})")
    test_start_options()
    test_bad_members_file()
    print(f"\n{len(failures)} failure(s)" if failures else "\nall checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
