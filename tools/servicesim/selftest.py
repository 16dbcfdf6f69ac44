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


def main():
    test_endpoint_table()
    s = Service("--today", TODAY)
    try:
        test_basics(s)
        settings = test_settings(s)
        test_data_files(s, settings)
        test_credit(s)
        test_faults(s, settings)
        # a stalled transfer must not keep the service from stopping
        s.control("faults", {"stall": ["rv3_fket5.lzh"]})
        sock, *_ = raw_get(s.port, "/data/rv3/course_a/ketto/rv3_fket5.lzh", (DL_USER, DL_PASS), 1)
    finally:
        code = s.stop()
    sock.close()
    check(code == 0, f"SIGTERM ends the service with exit code 0 (got {code})")
    test_start_options()
    print(f"\n{len(failures)} failure(s)" if failures else "\nall checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
