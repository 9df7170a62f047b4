"""The platform stand-in on its own: what it serves as a proxy for the velqo hosts, what it records,
and its control interface. Runs without Wine."""

import hashlib
import http.client
import json
import os
import socket
import tempfile
import unittest

import harness  # noqa: F401  (puts tools/standin on the path)
import standin


class StandInTestCase(unittest.TestCase):

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.program = os.path.join(self.folder.name, "program.exe")
        with open(self.program, "wb") as program:
            program.write(b"MZ" + bytes(range(256)) * 4)
        self.standin = standin.StandIn(installer=self.program, updater=self.program,
                                       record_dir=os.path.join(self.folder.name, "records"))
        self.port = self.standin.start()
        self.addCleanup(self.standin.stop)

    def get(self, target):
        """(status, headers, body) of one GET of `target`, sent to the stand-in as to a proxy."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            connection.request("GET", target)
            response = connection.getresponse()
            return response.status, dict(response.getheaders()), response.read()
        finally:
            connection.close()

    def control(self, command):
        status, _, body = self.get("http://127.0.0.1:%d/__standin/%s" % (self.port, command))
        self.assertEqual(status, 200, body)
        return json.loads(body)


class StandInTest(StandInTestCase):

    def test_velqo_addresses_as_a_proxy_receives_them(self):
        cases = [
            # (target, status, text the body holds)
            ("http://login.velqo.com:80/client/index.php?regtimes=1&refer=123ss", 200, b'name="username"'),
            ("http://login.velqo.com/client/index.php", 200, b'name="username"'),
            ("http://s7.morvane.velqo.com:80/", 200, b"Morvane S7"),
            ("http://down.velqo.com:80/Velqo/vkr/official1/app.ini", 200, b"[version]\r\ncurrentversion=1.4.0.0\r\n"),
            ("http://stat.velqo.com:80/controller/istat.controller.php?item=x", 200, b"1"),
            ("http://www.velqo.com/qx/", 200, b"Morvane"),
            ("http://pay.velqo.com/index.php?step=3&game_id=155", 200, b"step=3"),
            ("http://bbs.velqo.com/index.php?gid=1800", 200, b"<h1>"),
            ("http://login.velqo.com/other.php", 404, b"404"),
            ("http://example.com/", 404, b"404"),
            ("http://velqo.com.example.net/client/index.php", 404, b"404"),
        ]
        for target, status, text in cases:
            with self.subTest(target=target):
                got_status, _, body = self.get(target)
                self.assertEqual(got_status, status)
                self.assertIn(text, body)

    def test_enter_game_redirects_to_the_chosen_game_server(self):
        status, headers, _ = self.get("http://login.velqo.com:80/entergame_pc.php?username=a&server=s2")
        self.assertEqual(status, 302)
        self.assertEqual(headers["Location"], "http://s2.morvane.velqo.com/")
        _, headers, _ = self.get("http://login.velqo.com/entergame_pc.php?server=../x")
        self.assertEqual(headers["Location"], "http://s1.morvane.velqo.com/")

    def post(self, target, fields):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            body = "&".join("%s=%s" % item for item in fields.items())
            connection.request("POST", target, body, {"Content-Type": "application/x-www-form-urlencoded"})
            response = connection.getresponse()
            return response.status, dict(response.getheaders()), response.read()
        finally:
            connection.close()

    def test_login_form_leads_once_to_the_enter_game_address(self):
        status, headers, _ = self.post("http://login.velqo.com/client/login.php",
                                       {"username": "player7", "password": "secret", "server": "s12"})
        self.assertEqual(status, 302)
        enter = headers["Location"]
        self.assertTrue(enter.startswith("http://login.velqo.com/client/enter.php?ticket="), enter)
        status, _, body = self.get(enter)
        self.assertEqual(status, 200)
        self.assertIn(b'window.location.href = "http://login.velqo.com/entergame_pc.php?sid=1007&server=s12"', body)
        # The ticket is used: reloading the page shows the login page instead.
        status, headers, _ = self.get(enter)
        self.assertEqual((status, headers["Location"]), (302, "http://login.velqo.com/client/index.php"))

    def test_a_wrong_password_or_no_user_answers_an_alert(self):
        for fields in ({"username": "player7", "password": "wrong"}, {"username": "", "password": "x"}):
            with self.subTest(fields=fields):
                status, _, body = self.post("http://login.velqo.com/client/login.php", fields)
                self.assertEqual(status, 200)
                self.assertIn("alert(".encode(), body)
                self.assertNotIn(b"entergame", body)

    def test_game_page_has_its_frame_pop_ups_and_loadgame_link(self):
        status, _, body = self.get("http://s12.morvane.velqo.com/")
        self.assertEqual(status, 200)
        for text in (b"<title>Morvane S12</title>", b'src="http://www.velqo.com/frame.html"',
                     b"window.open('http://s12.morvane.velqo.com/client_command?cmd=recharge')",
                     b"window.open('http://s12.morvane.velqo.com/popup.html'",
                     b'href="client://loadgame|http://s12.morvane.velqo.com/?reloaded=1"', b"first load"):
            self.assertIn(text, body)
        self.assertIn(b"reloaded", self.get("http://s12.morvane.velqo.com/?reloaded=1")[2])
        self.assertEqual(self.get("http://www.velqo.com/frame.html")[0], 200)

    def test_programs_are_served_byte_for_byte(self):
        with open(self.program, "rb") as program:
            expected = program.read()
        for path in ("/Velqo/vkr/official1/Viziv_Ezadariz.exe", "/Velqo/vkr/animateicon/VelqoAnimateIcon.exe"):
            status, headers, body = self.get("http://down.velqo.com:80" + path)
            self.assertEqual((status, body), (200, expected))
            self.assertEqual(headers["Content-Length"], str(len(expected)))

    def test_version_and_checksum_follow_the_control_interface(self):
        self.control("set?version=1.4.0.1&sha256=1")
        _, _, body = self.get("http://down.velqo.com/Velqo/vkr/official1/app.ini")
        with open(self.program, "rb") as program:
            digest = hashlib.sha256(program.read()).hexdigest()
        self.assertEqual(body, ("[version]\r\ncurrentversion=1.4.0.1\r\nsha256=%s\r\n" % digest).encode())
        self.assertEqual(self.control("state")["version"], "1.4.0.1")

    def test_statistics_queries_are_recorded_as_sent(self):
        query = "item=4061rke2w7&platform=Velqo&ext_3=&ext_4={AB-CD}&user_ip=10.0.0.2"
        self.get("http://stat.velqo.com:80/controller/istat.controller.php?" + query)
        records = self.control("records?kind=stat")
        self.assertEqual(len(records), 1)
        self.assertEqual(records[0]["query"], query)
        self.assertEqual(records[0]["params"]["ext_3"], "")
        self.assertEqual(records[0]["params"]["ext_4"], "{AB-CD}")
        with open(os.path.join(self.folder.name, "records", "stat.jsonl"), encoding="utf-8") as log:
            self.assertEqual(json.loads(log.readline())["query"], query)
        self.control("clear")
        self.assertEqual(self.control("records?kind=stat"), [])

    def test_every_proxied_request_is_recorded_but_control_requests_are_not(self):
        self.get("http://example.com:80/x?y=1")
        self.control("state")
        requests = self.standin.get_records("request")
        self.assertEqual([(r["host"], r["path"], r["query"]) for r in requests], [("example.com", "/x", "y=1")])

    def test_modes_apply_per_path_until_cleared(self):
        app_ini = "/Velqo/vkr/official1/app.ini"
        self.control("mode?path=%s&mode=500" % app_ini)
        self.assertEqual(self.get("http://down.velqo.com" + app_ini)[0], 500)
        self.assertEqual(self.get("http://login.velqo.com/client/index.php")[0], 200)
        self.control("mode?path=down.velqo.com%s&mode=drop" % app_ini)
        with self.assertRaises((http.client.HTTPException, ConnectionError)):
            self.get("http://down.velqo.com" + app_ini)
        self.control("mode?path=down.velqo.com%s&mode=normal" % app_ini)
        self.control("mode?path=%s&mode=normal" % app_ini)
        self.assertEqual(self.get("http://down.velqo.com" + app_ini)[0], 200)
        status, _, _ = self.get("http://127.0.0.1:%d/__standin/mode?path=/&mode=nonsense" % self.port)
        self.assertEqual(status, 400)


class FaultyModeTest(StandInTestCase):
    """What a client sees of each faulty delivery mode, read off a raw socket."""

    PATH = "/Velqo/vkr/official1/Viziv_Ezadariz.exe"

    def raw_get(self, mode, limit=1 << 22, timeout=5):
        """(bytes received before the end, how it ended: "closed", "reset", "timeout" or "limit")."""
        self.standin.set_mode(self.PATH, mode)
        received = b""
        with socket.create_connection(("127.0.0.1", self.port), timeout=timeout) as connection:
            connection.sendall(b"GET http://down.velqo.com:80%s HTTP/1.1\r\nHost: down.velqo.com\r\n\r\n"
                               % self.PATH.encode())
            try:
                while len(received) < limit:
                    chunk = connection.recv(1 << 16)
                    if not chunk:
                        return received, "closed"
                    received += chunk
                return received, "limit"
            except ConnectionResetError:
                return received, "reset"
            except socket.timeout:
                return received, "timeout"

    def test_each_fault_mode_delivers_its_fault(self):
        with open(self.program, "rb") as program:
            served = program.read()
        head_end = b"\r\n\r\n"
        received, end = self.raw_get("refused")
        self.assertEqual((received, end), (b"", "reset"))
        received, end = self.raw_get("drop")
        self.assertEqual((received, end), (b"", "closed"))
        received, end = self.raw_get("hang", timeout=0.5)
        self.assertEqual((received, end), (b"", "timeout"))
        received, end = self.raw_get("bytewise")
        self.assertEqual(end, "closed")
        self.assertEqual(received.split(head_end, 1)[1], served)
        received, end = self.raw_get("endless", limit=1 << 21)
        self.assertEqual(end, "limit")
        self.assertNotIn(b"Content-Length", received.split(head_end, 1)[0])
        self.standin.oversized_bytes = 3 << 20
        received, end = self.raw_get("oversized", limit=1 << 23)
        head, body = received.split(head_end, 1)
        self.assertIn(b"Content-Length: %d" % (3 << 20), head)
        self.assertEqual((len(body), end), (3 << 20, "closed"))
        received, end = self.raw_get("reset")
        head, body = received.split(head_end, 1)
        self.assertIn(b"Content-Length: %d" % len(served), head)
        self.assertEqual((body, end), (served[:len(served) // 2], "reset"))
        for mode, status, text in (("500", 500, b"500"), ("404", 404, b"404"), ("302", 302, b"Location: http://"),
                                   ("html", 200, b"<html>"), ("garbage", 200, b"application/octet-stream")):
            with self.subTest(mode=mode):
                received, end = self.raw_get(mode, timeout=0.5)  # kept alive: read until idle
                self.assertTrue(received.startswith(b"HTTP/1.1 %d " % status), received[:40])
                self.assertIn(text, received)
        # Every answer, finished or abandoned, is recorded once.
        delivered = [r["mode"] for r in self.standin.get_records("delivered")]
        self.assertEqual(delivered, ["refused", "drop", "hang", "bytewise", "endless", "oversized", "reset",
                                     "500", "404", "302", "html", "garbage"])

    def test_drip_and_huge_declare_a_gibibyte_on_a_connection_that_may_be_kept(self):
        head_end = b"\r\n\r\n"
        for mode, limit in (("drip", 3), ("huge", 8 << 20)):
            with self.subTest(mode=mode):
                self.standin.clear_records()
                self.standin.set_mode(self.PATH, mode)
                received = b""
                with socket.create_connection(("127.0.0.1", self.port), timeout=5) as connection:
                    connection.sendall(b"GET http://down.velqo.com:80%s HTTP/1.1\r\nHost: down.velqo.com\r\n\r\n"
                                       % self.PATH.encode())
                    while head_end not in received or len(received.split(head_end, 1)[1]) < limit:
                        chunk = connection.recv(1 << 16)
                        self.assertTrue(chunk, "the body goes on")
                        received += chunk
                head, body = received.split(head_end, 1)
                self.assertTrue(head.startswith(b"HTTP/1.1 200 "), head)
                self.assertIn(b"Content-Length: %d" % (1 << 30), head)
                self.assertNotIn(b"Connection: close", head)
                self.assertTrue(body.startswith(b"MZ"))
                # Once the client has gone, the stand-in stops sending and says how far it got.
                delivered = harness.wait_for(lambda: self.standin.get_records("delivered"), 10,
                                             what="the abandoned answer's record")
                self.assertEqual(len(delivered), 1)
                self.assertEqual(delivered[0]["mode"], mode)
                self.assertGreaterEqual(delivered[0]["sent"], len(body))
                self.assertLess(delivered[0]["sent"], 1 << 30)


if __name__ == "__main__":
    unittest.main()
