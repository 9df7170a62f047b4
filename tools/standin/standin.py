#!/usr/bin/env python3
"""Loopback stand-in of the Velqo platform's web services, for the e2e tests and the demo.

One HTTP server on 127.0.0.1 that is at once the platform's sites and the HTTP proxy a Wine prefix
points at: proxied requests arrive with absolute addresses ("GET http://login.velqo.com:80/..."),
direct ones with a Host header. Only the velqo hosts below are served; every other host and path
gets 404, so nothing ever reaches the internet.

Served (the pages are small and plain, laid out at fixed places so that tests can click them):
  login.velqo.com     /client/index.php   login page: a form with a text input "username", a password
                                          input, a server choice and a submit button
                      /client/login.php   the form's target (POST or GET): with a user name and any
                                          password but "wrong", 302 to /client/enter.php with a one-time
                                          ticket; with the password "wrong", a page that shows an alert
                      /client/enter.php   with an unused ticket, a page whose script navigates to the
                                          enter-game address; used or unknown, 302 to the login page (so
                                          that reloading it shows the login page, as the platform does)
                      /entergame_pc.php   enter-game address: 302 to the chosen game server
  <label>.morvane.velqo.com /             game page: a title, a frame from www.velqo.com, a link that
                                          opens a "client_command" pop-up, a link that opens an ordinary
                                          pop-up and a "client://loadgame|" link
  www.velqo.com       /frame.html         the game page's frame
  down.velqo.com      /Velqo/vkr/official1/app.ini            update description ([version])
                      /Velqo/vkr/official1/Viziv_Ezadariz.exe  installer (a recording program)
                      /Velqo/vkr/animateicon/VelqoAnimateIcon.exe  companion updater (same)
  stat.velqo.com      /controller/istat.controller.php  records the query, answers "1"
  www / pay / bbs     the home, service, recharge and forum pages

Control, on the stand-in's own address (127.0.0.1:PORT or localhost:PORT):
  /__standin/state                          configuration and modes as JSON
  /__standin/set?version=1.4.0.1&sha256=1    change the served version / add the installer's SHA-256
  /__standin/mode?path=PATH&mode=MODE       deliver PATH (or HOST+PATH) in MODE; mode=normal clears
  /__standin/records?kind=stat|request|delivered  records as a JSON list ("delivered": one entry
                                            when an answer has been written out or abandoned)
  /__standin/clear                          forget the records

Delivery modes live in DELIVERY_MODES: a function that gets the request handler and the response
that the normal route built, and writes whatever it likes to the connection. A faulty mode is one
small function there: normal; 500, 404, 302 (to a web page), html (a page with status 200) and
garbage (random bytes with status 200); refused (a reset before any answer), drop (an orderly close
without an answer), hang (never answers); bytewise (the normal answer one byte per write), endless
(a body without end), oversized (a body beyond every cap of the launcher), reset (half the body,
then a reset); drip (a declared 1 GiB body, one byte a second) and huge (a declared 1 GiB body at full
speed), both on a connection the client may keep, so that a client draining the unread rest to
reuse it would never end. A delivered record of those two says how many body bytes were sent.
"""

import argparse
import hashlib
import html
import http.client
import http.server
import json
import os
import random
import re
import signal
import socket
import struct
import sys
import threading
import time
import urllib.parse

LOGIN_HOST = "login.velqo.com"
DOWNLOAD_HOST = "down.velqo.com"
STAT_HOST = "stat.velqo.com"
MAIN_HOST = "www.velqo.com"
PAY_HOST = "pay.velqo.com"
FORUM_HOST = "bbs.velqo.com"
GAME_SERVER_HOST = re.compile(r"^([a-z0-9][a-z0-9-]*)\.morvane\.velqo\.com$")

LOGIN_PATH = "/client/index.php"
LOGIN_FORM_PATH = "/client/login.php"
LOGIN_ENTER_PATH = "/client/enter.php"
WRONG_PASSWORD = "wrong"
ENTER_GAME_PATH = "/entergame_pc.php"
VERSION_PATH = "/Velqo/vkr/official1/app.ini"
INSTALLER_PATH = "/Velqo/vkr/official1/Viziv_Ezadariz.exe"
UPDATER_PATH = "/Velqo/vkr/animateicon/VelqoAnimateIcon.exe"
STAT_PATH = "/controller/istat.controller.php"
CONTROL_PREFIX = "/__standin/"


class Response:
    def __init__(self, status=200, body=b"", content_type="text/html; charset=utf-8", headers=None):
        self.status = status
        self.body = body.encode("utf-8") if isinstance(body, str) else body
        self.headers = [("Content-Type", content_type)] + list(headers or [])


def not_found():
    return Response(404, "<html><body>404 Not Found</body></html>")


def page(title, body):
    return Response(200, "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%s</title></head>"
                         "<body>%s</body></html>\n" % (html.escape(title), body))


class Request:
    def __init__(self, method, host, port, path, query, target, headers, body=b""):
        self.body = body
        self.method = method
        self.host = host
        self.port = port
        self.path = path
        self.query = query          # the raw query text, exactly as sent
        self.target = target        # the request target as sent (absolute when proxied)
        self.headers = headers

    def params(self):
        """The query split at "&" and the first "=", values percent-decoded."""
        return _split_form(self.query)

    def form(self):
        """The fields of a submitted form: the query, and a url-encoded body over it."""
        fields = self.params()
        if self.body:
            fields.update(_split_form(self.body.decode("utf-8", "replace"), plus_is_space=True))
        return fields


def _split_form(text, plus_is_space=False):
    result = {}
    for part in text.split("&") if text else []:
        key, _, value = part.partition("=")
        unquote = urllib.parse.unquote_plus if plus_is_space else urllib.parse.unquote
        result[unquote(key)] = unquote(value)
    return result


# --- delivery modes -----------------------------------------------------------------------------

def deliver_normal(handler, response):
    handler.send_response(response.status)
    for name, value in response.headers:
        handler.send_header(name, value)
    handler.send_header("Content-Length", str(len(response.body)))
    handler.end_headers()
    if handler.command != "HEAD":
        handler.wfile.write(response.body)


def deliver_server_error(handler, response):
    deliver_normal(handler, Response(500, "<html><body>500 Internal Server Error</body></html>"))


def deliver_not_found(handler, response):
    deliver_normal(handler, not_found())


def deliver_drop(handler, response):
    """Reads the request and closes the connection without a byte of answer."""
    handler.close_connection = True
    try:
        handler.connection.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass


def _reset(handler):
    """Aborts the connection: the peer gets a reset instead of an orderly end."""
    handler.close_connection = True
    try:
        handler.wfile.flush()
    except OSError:
        pass
    handler.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    handler.connection.close()


def deliver_refused(handler, response):
    """What a client sees of a host that refuses the connection: a reset before any answer."""
    _reset(handler)


def deliver_hang(handler, response):
    """Accepts the request and never answers, until the client gives up or the stand-in stops."""
    handler.close_connection = True
    handler.connection.settimeout(0.2)
    while not handler.owner.stopping.is_set():
        try:
            if handler.connection.recv(1 << 16) == b"":
                return  # the client closed its end
        except socket.timeout:
            continue
        except OSError:
            return


def _raw_head(status, headers, length=None, keep_alive=False):
    lines = ["HTTP/1.1 %d %s" % (status, http.client.responses.get(status, "Status"))]
    lines += ["%s: %s" % pair for pair in headers]
    if length is not None:
        lines.append("Content-Length: %d" % length)
    if not keep_alive:
        lines.append("Connection: close")
    lines += ["", ""]
    return "\r\n".join(lines).encode("latin-1")


def deliver_byte_by_byte(handler, response):
    """The normal answer, one byte per write, the whole answer spread over about 2 s at most."""
    handler.close_connection = True
    data = _raw_head(response.status, response.headers, len(response.body)) + response.body
    handler.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    pause = min(0.02, 2.0 / max(len(data), 1))
    for index in range(len(data)):
        if handler.owner.stopping.is_set():
            return
        handler.connection.sendall(data[index:index + 1])
        if pause >= 0.0005 or index % 64 == 0:
            time.sleep(pause)


def _stream(handler, head, total=None):
    """Sends head, then filler bytes: `total` of them, or until the client or the stand-in stops."""
    handler.close_connection = True
    handler.connection.sendall(head)
    chunk = b"MZ" + b"\x90" * (CHUNK_BYTES - 2)
    sent = 0
    while (total is None or sent < total) and not handler.owner.stopping.is_set():
        piece = chunk if total is None else chunk[:min(CHUNK_BYTES, total - sent)]
        handler.connection.sendall(piece)
        sent += len(piece)


def deliver_endless(handler, response):
    """Status 200 with no length, and a body that never ends."""
    _stream(handler, _raw_head(200, [("Content-Type", "application/octet-stream")]))


def deliver_oversized(handler, response):
    """Status 200 with a body of OVERSIZED_BYTES, far beyond what any client here should take."""
    size = handler.owner.oversized_bytes
    _stream(handler, _raw_head(200, [("Content-Type", "application/octet-stream")], size), size)


def _declared_huge(handler, pause):
    """Status 200 declaring HUGE_BYTES, on a connection the client may keep (no "Connection:
    close"), so that a client which drains an unread body to reuse the connection would read all of
    it. The body goes out in pieces with `pause` seconds between them, until the client goes away,
    the stand-in stops or all of it is sent; handler.sent counts the body bytes written."""
    handler.close_connection = True
    handler.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    handler.connection.sendall(_raw_head(200, [("Content-Type", "application/octet-stream")], HUGE_BYTES,
                                         keep_alive=True))
    piece_bytes = 1 if pause else CHUNK_BYTES
    chunk = b"MZ" + b"\x90" * (CHUNK_BYTES - 2)
    handler.sent = 0
    while handler.sent < HUGE_BYTES and not handler.owner.stopping.is_set():
        start = handler.sent % CHUNK_BYTES
        piece = chunk[start:start + min(piece_bytes, HUGE_BYTES - handler.sent)]
        handler.connection.sendall(piece)
        handler.sent += len(piece)
        if pause:
            handler.owner.stopping.wait(pause)


def deliver_drip(handler, response):
    """A declared 1 GiB body, one byte a second: endless for any client."""
    _declared_huge(handler, 1.0)


def deliver_huge(handler, response):
    """A declared 1 GiB body at full speed."""
    _declared_huge(handler, 0)


def deliver_reset_mid_body(handler, response):
    """The normal head with the full length, half of the body, then a reset."""
    body = response.body if len(response.body) >= 2 else response.body + b"  "
    handler.close_connection = True
    handler.connection.sendall(_raw_head(response.status, response.headers, len(body)) + body[:len(body) // 2])
    _reset(handler)


def deliver_redirect(handler, response):
    """302 to a web page, as a hotel or cafe portal answers every address."""
    location = "http://%s/qx/" % MAIN_HOST
    deliver_normal(handler, Response(302, "<html><body><a href=\"%s\">moved</a></body></html>" % location,
                                     headers=[("Location", location)]))


def deliver_html(handler, response):
    """Status 200 with a web page instead of what was asked for."""
    deliver_normal(handler, page("Portal", "<h1>Welcome</h1><p>Please log in to use the internet.</p>"))


def deliver_garbage(handler, response):
    """Status 200 with GARBAGE_BYTES of fixed pseudo-random bytes."""
    deliver_normal(handler, Response(200, GARBAGE, "application/octet-stream"))


CHUNK_BYTES = 64 * 1024
GARBAGE_BYTES = 64 * 1024
GARBAGE = random.Random(1234).randbytes(GARBAGE_BYTES)
# Beyond the launcher's largest cap (the installer's 256 MiB).
OVERSIZED_BYTES = 300 * 1024 * 1024
# The body the drip and huge modes declare.
HUGE_BYTES = 1 << 30

DELIVERY_MODES = {
    "normal": deliver_normal,
    "500": deliver_server_error,
    "404": deliver_not_found,
    "drop": deliver_drop,
    "refused": deliver_refused,
    "hang": deliver_hang,
    "bytewise": deliver_byte_by_byte,
    "endless": deliver_endless,
    "oversized": deliver_oversized,
    "drip": deliver_drip,
    "huge": deliver_huge,
    "reset": deliver_reset_mid_body,
    "302": deliver_redirect,
    "html": deliver_html,
    "garbage": deliver_garbage,
}


# --- the stand-in -------------------------------------------------------------------------------

class StandIn:
    """The stand-in's state and routes. start() serves on a free loopback port in a background
    thread; stop() ends it."""

    def __init__(self, version="1.4.0.0", installer=None, updater=None, record_dir=None, with_sha256=False):
        self.version = version
        self.installer = installer
        self.updater = updater
        self.with_sha256 = with_sha256
        self.record_dir = record_dir
        self.modes = {}
        self.tickets = {}
        self.next_ticket = 0
        self.oversized_bytes = OVERSIZED_BYTES
        self.stopping = threading.Event()
        self.records = {"request": [], "stat": [], "delivered": []}
        self.lock = threading.Lock()
        self.server = None
        self.thread = None
        if record_dir:
            os.makedirs(record_dir, exist_ok=True)

    # Records ----------------------------------------------------------------------------------

    def record(self, kind, entry):
        entry = dict(entry, time=time.time())
        with self.lock:
            self.records[kind].append(entry)
            if self.record_dir:
                with open(os.path.join(self.record_dir, kind + ".jsonl"), "a", encoding="utf-8") as log:
                    log.write(json.dumps(entry, ensure_ascii=False) + "\n")

    def get_records(self, kind):
        with self.lock:
            return [dict(entry) for entry in self.records[kind]]

    def clear_records(self):
        with self.lock:
            for entries in self.records.values():
                entries.clear()

    def set_mode(self, key, mode):
        if mode not in DELIVERY_MODES:
            raise ValueError("unknown mode " + mode)
        with self.lock:
            if mode == "normal":
                self.modes.pop(key, None)
            else:
                self.modes[key] = mode

    def mode_for(self, request):
        with self.lock:
            return self.modes.get(request.host + request.path) or self.modes.get(request.path) or "normal"

    # Routes -----------------------------------------------------------------------------------

    def route(self, request):
        host, path = request.host, request.path
        if host == LOGIN_HOST:
            if path == LOGIN_PATH:
                return self.login_page(request)
            if path == LOGIN_FORM_PATH:
                return self.login_answer(request)
            if path == LOGIN_ENTER_PATH:
                return self.login_enter(request)
            if path == ENTER_GAME_PATH:
                return self.enter_game(request)
        elif host == DOWNLOAD_HOST:
            if path == VERSION_PATH:
                return self.version_file()
            if path == INSTALLER_PATH:
                return self.program(self.installer)
            if path == UPDATER_PATH:
                return self.program(self.updater)
        elif host == STAT_HOST:
            if path == STAT_PATH:
                self.record("stat", {"query": request.query, "params": request.params()})
                return Response(200, "1", "text/plain")
        elif host == MAIN_HOST:
            if path == "/qx/":
                return page("Morvane", "<h1>Morvane</h1>")
            if path == "/frame.html":
                return page("Frame", "<p id=\"frame\">www.velqo.com frame</p>")
            if path == "/service.html":
                return page("客服中心", "<h1>客服中心</h1>")
        elif host == PAY_HOST:
            if path in ("/index.php", "/select.php"):
                return page("充值中心", "<h1>充值中心</h1><p>%s</p>" % html.escape(request.query))
        elif host == FORUM_HOST:
            if path == "/index.php":
                return page("论坛", "<h1>论坛</h1>")
        else:
            match = GAME_SERVER_HOST.match(host)
            if match and path == "/":
                return self.game_page(match.group(1).upper(), request)
            if match and path == "/popup.html":
                return page("Popup", "<h1>Popup</h1>")
        return not_found()

    # Every control sits at a fixed place in the page (CSS pixels from the top-left corner).
    PAGE_STYLE = ("<style>body{margin:0;font:14px sans-serif;background:#fff}"
                  ".at{position:absolute;display:block;box-sizing:border-box}</style>")

    def login_page(self, request):
        return page("Velqo 登录", self.PAGE_STYLE + (
            "<form action=\"http://%s%s\" method=\"post\">"
            "<input class=\"at\" style=\"left:20px;top:20px;width:240px;height:30px\" type=\"text\" name=\"username\">"
            "<input class=\"at\" style=\"left:20px;top:70px;width:240px;height:30px\" type=\"password\" name=\"password\">"
            "<select class=\"at\" style=\"left:280px;top:20px;width:100px;height:30px\" name=\"server\">"
            "<option value=\"s12\">S12</option><option value=\"s1\">S1</option></select>"
            "<input class=\"at\" style=\"left:20px;top:120px;width:120px;height:36px\" type=\"submit\" value=\"进入游戏\">"
            "</form>"
            "<a class=\"at\" style=\"left:20px;top:180px\" href=\"http://%s/index.php?step=3&amp;game_id=155\">充值</a>")
            % (LOGIN_HOST, LOGIN_FORM_PATH, PAY_HOST))

    def login_answer(self, request):
        form = request.form()
        username, password = form.get("username", ""), form.get("password", "")
        if not username or password == WRONG_PASSWORD:
            return page("登录失败", "<script>alert('用户名或密码错误');</script><p>用户名或密码错误</p>")
        label = form.get("server", "s12").lower()
        if not re.fullmatch(r"[a-z0-9][a-z0-9-]*", label):
            label = "s12"
        target = "http://%s%s?sid=%d&server=%s" % (LOGIN_HOST, ENTER_GAME_PATH, 1000 + len(username), label)
        with self.lock:
            self.next_ticket += 1
            ticket = str(self.next_ticket)
            self.tickets[ticket] = target
        location = "http://%s%s?ticket=%s" % (LOGIN_HOST, LOGIN_ENTER_PATH, ticket)
        return Response(302, "<html><body><a href=\"%s\">moved</a></body></html>" % location,
                        headers=[("Location", location)])

    def login_enter(self, request):
        with self.lock:
            target = self.tickets.pop(request.params().get("ticket", ""), None)
        if target is None:
            location = "http://%s%s" % (LOGIN_HOST, LOGIN_PATH)
            return Response(302, "<html><body><a href=\"%s\">moved</a></body></html>" % location,
                            headers=[("Location", location)])
        # As the platform's does: a page whose script moves on to the enter-game address.
        return page("登录中", "<p>登录中…</p><script>window.location.href = %s;</script>" % json.dumps(target))

    def game_page(self, label, request):
        popup = "http://%s.morvane.velqo.com/popup.html" % label.lower()
        reload_target = "http://%s.morvane.velqo.com/?reloaded=1" % label.lower()
        return page("Morvane " + label, self.PAGE_STYLE + (
            "<h1 class=\"at\" style=\"left:20px;top:0px;margin:10px 0\">Morvane %s</h1>"
            "<a id=\"command\" class=\"at\" style=\"left:20px;top:80px;width:200px;height:40px;background:#cde\" "
            "href=\"#\" onclick=\"window.open('http://%s/client_command?cmd=recharge'); return false;\">command</a>"
            "<a id=\"popup\" class=\"at\" style=\"left:20px;top:140px;width:200px;height:40px;background:#dec\" "
            "href=\"#\" onclick=\"window.open('%s', 'popup', 'width=400,height=300'); return false;\">popup</a>"
            "<a id=\"loadgame\" class=\"at\" style=\"left:20px;top:200px;width:200px;height:40px;background:#ecd\" "
            "href=\"client://loadgame|%s\">loadgame</a>"
            "<p class=\"at\" style=\"left:20px;top:260px\">%s</p>"
            "<iframe class=\"at\" style=\"left:260px;top:80px;width:300px;height:160px\" "
            "src=\"http://%s/frame.html\"></iframe>")
            % (html.escape(label), request.host, popup, reload_target,
               "reloaded" if "reloaded=1" in request.query else "first load", MAIN_HOST))

    def enter_game(self, request):
        label = request.params().get("server", "s1").lower()
        if not re.fullmatch(r"[a-z0-9][a-z0-9-]*", label):
            label = "s1"
        location = "http://%s.morvane.velqo.com/" % label
        return Response(302, "<html><body><a href=\"%s\">%s</a></body></html>" % (location, location),
                        headers=[("Location", location)])

    def version_file(self):
        with self.lock:
            version, with_sha256 = self.version, self.with_sha256
        lines = ["[version]", "currentversion=" + version]
        if with_sha256 and self.installer and os.path.isfile(self.installer):
            with open(self.installer, "rb") as program:
                lines.append("sha256=" + hashlib.sha256(program.read()).hexdigest())
        return Response(200, "\r\n".join(lines) + "\r\n", "text/plain")

    @staticmethod
    def program(path):
        if not path or not os.path.isfile(path):
            return not_found()
        with open(path, "rb") as program:
            return Response(200, program.read(), "application/octet-stream")

    # Control ----------------------------------------------------------------------------------

    def control(self, request):
        command = request.path[len(CONTROL_PREFIX):]
        params = request.params()
        try:
            if command == "state":
                with self.lock:
                    state = {"version": self.version, "sha256": self.with_sha256, "modes": dict(self.modes)}
                return json_response(state)
            if command == "set":
                with self.lock:
                    if "version" in params:
                        self.version = params["version"]
                    if "sha256" in params:
                        self.with_sha256 = params["sha256"] not in ("", "0", "off", "false")
                return json_response({"ok": True})
            if command == "mode":
                self.set_mode(params["path"], params.get("mode", "normal"))
                return json_response({"ok": True})
            if command == "records":
                return json_response(self.get_records(params.get("kind", "request")))
            if command == "clear":
                self.clear_records()
                return json_response({"ok": True})
        except (KeyError, ValueError) as error:
            return Response(400, json.dumps({"error": str(error)}), "application/json")
        return not_found()

    # Serving ----------------------------------------------------------------------------------

    def start(self, port=0):
        standin = self

        class Handler(StandInHandler):
            owner = standin

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
        self.server.daemon_threads = True
        self.thread = threading.Thread(target=self.server.serve_forever, name="standin", daemon=True)
        self.thread.start()
        return self.port

    @property
    def port(self):
        return self.server.server_address[1]

    def stop(self):
        self.stopping.set()
        if self.server:
            self.server.shutdown()
            self.server.server_close()
            self.thread.join(timeout=10)
            self.server = None


def json_response(value):
    return Response(200, json.dumps(value, ensure_ascii=False), "application/json")


def split_target(target, host_header):
    """(host, port, path, query) of a request target: an absolute address as a proxy receives it,
    or a path with the Host header."""
    if "://" in target:
        parts = urllib.parse.urlsplit(target)
        host, port = parts.hostname or "", parts.port
        path, query = parts.path or "/", parts.query
    else:
        path, _, query = target.partition("?")
        authority = urllib.parse.urlsplit("//" + (host_header or ""))
        host = authority.hostname or ""
        try:
            port = authority.port
        except ValueError:
            port = None
    return host.lower(), port, path, query


class StandInHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "standin/1"
    owner = None  # the StandIn, set by StandIn.start

    def log_message(self, format, *args):
        pass

    def handle_any(self):
        host, port, path, query = split_target(self.path, self.headers.get("Host"))
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(min(length, 1 << 20)) if length else b""
        request = Request(self.command, host, port, path, query, self.path, dict(self.headers.items()), body)
        if host in ("127.0.0.1", "localhost") and path.startswith(CONTROL_PREFIX):
            deliver_normal(self, self.owner.control(request))
            return
        self.owner.record("request", {"method": self.command, "host": host, "path": path, "query": query,
                                      "target": self.path})
        response = self.owner.route(request) if self.command in ("GET", "HEAD", "POST") else not_found()
        mode = self.owner.mode_for(request)
        outcome = "complete"
        try:
            DELIVERY_MODES[mode](self, response)
            self.wfile.flush()
        except OSError as error:
            # The client went away mid-answer (the faulty modes provoke exactly that).
            self.close_connection = True
            outcome = type(error).__name__
        entry = {"host": host, "path": path, "mode": mode, "outcome": outcome}
        if hasattr(self, "sent"):
            entry["sent"] = self.sent
        self.owner.record("delivered", entry)

    do_GET = do_HEAD = do_POST = do_PUT = do_DELETE = do_CONNECT = do_OPTIONS = handle_any


def main(argv=None):
    parser = argparse.ArgumentParser(description="Loopback stand-in of the Velqo web services.")
    parser.add_argument("--port", type=int, default=0, help="port to bind (default: a free one)")
    parser.add_argument("--port-file", help="file that receives the port once the server listens")
    parser.add_argument("--version", default="1.4.0.0", help="currentversion served in app.ini")
    parser.add_argument("--sha256", action="store_true", help="add the installer's SHA-256 to app.ini")
    parser.add_argument("--installer", help="Windows program served as the installer")
    parser.add_argument("--updater", help="Windows program served as the companion updater")
    parser.add_argument("--record-dir", help="folder for request.jsonl and stat.jsonl")
    args = parser.parse_args(argv)

    standin = StandIn(args.version, args.installer, args.updater, args.record_dir, args.sha256)
    port = standin.start(args.port)
    if args.port_file:
        temporary = args.port_file + ".tmp"
        with open(temporary, "w") as port_file:
            port_file.write("%d\n" % port)
        os.replace(temporary, args.port_file)
    print("standin listening on 127.0.0.1:%d" % port, flush=True)
    stopped = threading.Event()
    signal.signal(signal.SIGTERM, lambda *unused: stopped.set())
    signal.signal(signal.SIGINT, lambda *unused: stopped.set())
    while not stopped.wait(1):
        pass
    standin.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
