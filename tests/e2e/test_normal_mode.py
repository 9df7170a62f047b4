"""The normal mode of the real launcher: the skinned login window with its load-failure retry, and,
with a login address that enters the game, the game window with its title bar, boss key and
settings menu, closing back to the login window and out of the program.

Under Wine the browser control renders no page, so every page-driven rule is proven by the unit
tests; here the navigations the launcher starts itself drive the rules end to end."""

import os
import time
import unittest

from harness import ENTER_GAME_URL, LOGIN_SIZE, LauncherTestCase, wait_for

# The information label's yellow text.
YELLOW = "r>0.7 && g>0.7 && b<0.4"


class NormalModeTestCase(LauncherTestCase):

    def setUp(self):
        super().setUp()
        # What a Windows desktop has and Xvfb without a window manager lacks: the windows' Chinese
        # font, and windows that Wine places itself (maximising needs no window manager then).
        self.reg_add(r"HKCU\Software\Wine\Fonts\Replacements", "微软雅黑", "WenQuanYi Micro Hei")
        self.reg_add(r"HKCU\Software\Wine\X11 Driver", "Managed", "N")

    def reg_add(self, key, name, value):
        result = self.prefix.run(["reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f"], timeout=60)
        self.assertEqual(result.returncode, 0, result.stdout)

    def write_config(self, **common):
        self.write_lander_ini({"Common": common}, "ascii")

    def login_page_requests(self):
        return [r for r in self.standin_records("request")
                if r.get("host", "").startswith("login.velqo.com") and r.get("path") == "/client/index.php"]

    def game_page_requests(self):
        # The enter-game address, which the game window's browser loads.
        return [r for r in self.standin_records("request") if r.get("path") == "/entergame_pc.php"]


class LoginWindowTest(NormalModeTestCase):

    def test_login_window_shows_its_skin_and_retries_the_login_page(self):
        launcher = self.install_launcher()
        process = self.start_launcher(launcher)
        window = self.wait_launcher_window(LOGIN_SIZE)
        left, top, _, _ = self.geometry(window)
        # Wine reports a failure after every fetched page: the failure text stands in for the page
        # and the page is requested again about every 5 seconds.
        wait_for(lambda: len(self.login_page_requests()) >= 1, timeout=30, what="the login page requested")
        first = time.monotonic()
        wait_for(lambda: len(self.login_page_requests()) >= 2, timeout=30, what="the login page requested again",
                 interval=0.05)
        gap = time.monotonic() - first
        # A 5-second timer; the upper bound leaves room for a busy machine.
        self.assertTrue(4.0 <= gap <= 9.0, "the retry came after %.1f s" % gap)
        requests = self.login_page_requests()
        shot = self.screenshot("login-window")
        # Inside the shape: the emblem's red disc and the dark browser well; outside it (the
        # colour-keyed white) the root window shows through.
        red, green, blue = self.pixel(shot, left + 150, top + 150)
        self.assertGreater(red, green + 40, "emblem at (150, 150): %r" % ((red, green, blue),))
        self.assertLess(max(self.pixel(shot, left + 600, top + 400)), 80)
        self.assertEqual(self.pixel(shot, left + 3, top + 3), (0, 0, 0))
        # The yellow information label stands in the middle of the browser's place.
        self.assertGreater(self.region_share(shot, left + 287 + 85, top + 202 + 150, 400, 40, YELLOW), 0.02)
        self.assertIsNone(process.poll())
        self.assertGreaterEqual(len(requests), 2)

        # The close button ends the program.
        self.click(left + 778, top + 127)
        self.assertEqual(self.wait_exit(process, timeout=30), 0)


    def drag_until(self, window, start, step, changed, what):
        """Presses the left button at `start` and moves the pointer on by `step` at a time until
        `changed(geometry)` holds (bounded), then releases it; returns the geometry."""
        x, y = start
        self.xdotool("mousemove", str(x), str(y), check=True)
        self.xdotool("mousedown", "1", check=True)
        moved = [0]

        def further():
            moved[0] += 1
            if moved[0] <= 60:
                self.xdotool("mousemove", str(x + step[0] * moved[0]), str(y + step[1] * moved[0]), check=True)
            geometry = self.geometry(window)
            return geometry if geometry and changed(geometry) else None

        try:
            return wait_for(further, timeout=20, what=what)
        finally:
            self.xdotool("mouseup", "1", check=True)

    def test_the_sizing_edges_are_in_the_shape_and_resize_the_window(self):
        launcher = self.install_launcher()
        process = self.start_launcher(launcher)
        window = self.wait_launcher_window(LOGIN_SIZE)
        left, top, width, height = self.geometry(window)

        def shaped():
            # Painted and shaped: the emblem shows, and the skin's white corner lets the root through.
            shot = self.screenshot("login-sizing-edges")
            red, green, _ = self.pixel(shot, left + 150, top + 150)
            return shot if red > green + 40 and self.pixel(shot, left + 3, top + 3) == (0, 0, 0) else None

        shot = wait_for(shaped, timeout=30, what="the skin painted and shaped")
        # The 4-pixel right and bottom edges and the 6 x 6 corner are the skin's, not the colour
        # key's: the root window (black) shows through nowhere along them.
        edge_points = [(width - 1, 5), (width - 4, 60), (width - 2, 300), (width - 1, height - 1),
                       (width - 6, height - 6), (5, height - 1), (300, height - 4), (700, height - 2)]
        for x, y in edge_points:
            self.assertNotEqual(self.pixel(shot, left + x, top + y), (0, 0, 0), "edge pixel (%d, %d)" % (x, y))

        # Dragging the right edge below the browser widens the window and leaves it in its place:
        # a resize, not a move.
        geometry = self.drag_until(window, (left + width - 2, top + 552), (2, 0),
                                   lambda g: g[2] >= width + 20, "the window to widen")
        self.screenshot("login-widened")
        self.assertEqual(geometry[:2], (left, top))
        self.assertEqual(geometry[3], height)
        self.assertIsNone(process.poll())


class GameWindowTest(NormalModeTestCase):

    def start_into_the_game(self):
        self.write_config(GameLoginUrl=ENTER_GAME_URL)
        launcher = self.install_launcher()
        process = self.start_launcher(launcher)
        width, height = self.screen_size()
        game = self.wait_launcher_window((width, height))
        self.assertEqual(self.geometry(game)[:2], (0, 0))
        wait_for(lambda: not self.launcher_windows(LOGIN_SIZE), timeout=10, what="the login window hidden")
        return process, game, width

    def test_game_window_opens_maximised_and_its_buttons_work(self):
        process, game, width = self.start_into_the_game()
        wait_for(self.game_page_requests, timeout=30, what="the game page requested")
        self.screenshot("game-window")

        # 开机启动 in the settings menu adds the Run entry and records the user's choice. (Wine's
        # browser has no document to refresh, so 刷新 cannot be observed here.)
        self.click(width - 208 + 20, 14)
        menu = wait_for(self.menu_window, timeout=10, what="the settings menu")
        self.screenshot("settings-menu")
        mx, my, _, _ = self.geometry(menu)
        self.click(mx + 20, my + 46)
        run_key = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
        command = wait_for(lambda: self.reg_query(run_key, "VelqoMorvane"), timeout=20, what="the Run entry")
        self.assertTrue(command.lower().endswith("vkr.exe\" /autorun"), command)
        ini = self.read_ini(os.path.join(self.data_dir, "lander.ini"))
        self.assertEqual(ini.get("Operate", {}).get("ManualAutoRun"), "1")

        # The boss key hides the window to the tray (Wine shows the tray as a window of its own
        # when there is no desktop panel); a left press on the icon brings the window back.
        self.click(width - 120 + 14, 14)
        wait_for(lambda: not self.launcher_windows(), timeout=10, what="the game window hidden")
        tray = self.wait_window("^Wine System Tray$", timeout=20)
        self.screenshot("boss-key-tray")
        tx, ty, _, _ = self.geometry(tray)
        self.click(tx + 12, ty + 32)
        self.wait_launcher_window((width, self.screen_size()[1]))
        wait_for(lambda: not self.visible_windows("^Wine System Tray$"), timeout=10, what="the tray icon removed")
        self.assertIsNone(process.poll())

    def menu_window(self):
        for window in self.xdotool("search", "--onlyvisible", "--class", "").split():
            geometry = self.geometry(window)
            if geometry is None:
                continue
            x, y, w, h = geometry
            if 60 < w < 300 and 20 < h < 200 and y > 20:
                return window
        return None

    def test_closing_the_game_window_shows_the_login_window_and_closing_that_ends(self):
        process, game, width = self.start_into_the_game()
        self.click(width - 36 + 17, 14)
        login = self.wait_launcher_window(LOGIN_SIZE)
        # The login window comes back while the game window goes.
        wait_for(lambda: not self.launcher_windows((width, self.screen_size()[1])), timeout=10,
                 what="the game window gone")
        self.screenshot("login-after-game")
        self.assertIsNone(process.poll())
        left, top, _, _ = self.geometry(login)
        self.click(left + 778, top + 127)
        self.assertEqual(self.wait_exit(process, timeout=30), 0)


if __name__ == "__main__":
    unittest.main()
