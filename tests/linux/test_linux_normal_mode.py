"""The normal mode of the Linux edition with the real engine: the login page rendered within the
skin, the login that opens the game window, the game page's title, recharge, pop-ups and loadgame
rule, the wrong password's alert, the retry of an unreachable login host, the settings menu, the
boss key and the tray, and closing back to the login window and out of the program."""

import time
import unittest

from harness import BROWSER, ENTER_GAME_URL, LOGIN_SIZE, LinuxTestCase

WHITE = "r>0.95 && g>0.95 && b>0.95"
YELLOW = "r>0.7 && g>0.7 && b<0.4"
# The title label's white text (the title bar itself is dark brown).
TITLE_TEXT = "r>0.8 && g>0.8 && b>0.8"


class NormalModeTestCase(LinuxTestCase):

    def start_login(self):
        process = self.start_launcher()
        window = self.wait_launcher_window(LOGIN_SIZE)
        left, top, _, _ = self.geometry(window)
        return process, window, left, top

    def wait_login_page(self, left, top):
        """Waits until the login page is painted at the browser's place: its white background and
        its user-name field (a grey border on white). The engine may show the view's white before
        it paints the document, so white alone is not the page. Returns the screenshot."""
        x, y, width, height = BROWSER

        def painted(shot):
            return (self.region_share(shot, left + x + 300, top + y + 200, 200, 100, WHITE) > 0.95
                    and self.region_share(shot, left + x + 20, top + y + 20, 240, 30, WHITE) < 0.99)

        return self.wait_screen(painted, 30, "the login page painted")

    def log_in(self, left, top, user, password):
        x, y = left + BROWSER[0], top + BROWSER[1]
        self.click(x + 120, y + 35)
        self.type_text(user)
        self.click(x + 120, y + 85)
        self.type_text(password)
        self.click(x + 80, y + 138)

    def stat_reports(self):
        return self.standin.get_records("stat")

    def start_into_the_game(self):
        """A login address that enters the game at once: the game window opens on the game page."""
        self.write_config(GameLoginUrl=ENTER_GAME_URL)
        process = self.start_launcher()
        width, height = self.screen_size()
        game = self.wait_launcher_window((width, height))
        self.wait(lambda: self.requests("s12.morvane.velqo.com", "/"), 30, what="the game page requested")
        self.wait_title(width)
        return process, game, width, height

    def wait_title(self, width):
        return self.wait_screen(lambda shot: self.region_share(shot, 45, 8, 100, 12, TITLE_TEXT) > 0.05, 30,
                                "the game page's title in the title bar")

    def open_menu(self, click):
        """Clicks, then waits for the popup menu that opens: a new visible window of a menu's size."""
        before = set(self.visible_windows())
        click()

        def menu():
            for window in self.visible_windows():
                if window not in before:
                    _, _, width, height = self.geometry(window)
                    if 40 < width < 400 and 20 < height < 300:
                        return window
            return None

        return self.wait(menu, 10, what="the menu")

    def menu_choose(self, downs):
        """Chooses an item of the open popup menu by keyboard."""
        self.key(*(["Down"] * downs + ["Return"]))


class LoginTest(NormalModeTestCase):

    def test_login_page_renders_within_the_skin_and_reports_activity_once(self):
        process, window, left, top = self.start_login()
        shot = self.wait_login_page(left, top)
        self.screenshot("login-page")
        # Inside the shape: the emblem's red disc; outside it (the skin's white) the root shows.
        red, green, _ = self.pixel(shot, left + 150, top + 150)
        self.assertGreater(red, green + 40)
        self.assertEqual(self.pixel(shot, left + 3, top + 3), (0, 0, 0))
        self.wait(self.stat_reports, 30, what="the activity report")
        self.assertEqual(self.read_ini()["Common"]["RunCount"], "1")
        self.assertEqual(len(self.stat_reports()), 1)
        self.assertIsNone(process.poll())

    def test_the_sizing_edges_are_in_the_shape_and_the_right_edge_resizes(self):
        process, window, left, top = self.start_login()
        width, height = LOGIN_SIZE
        # Painted and shaped: the emblem shows, and the skin's white corner lets the root through.
        shot = self.wait_screen(lambda shot: self.pixel(shot, left + 150, top + 150)[0] > 100
                                and self.pixel(shot, left + 3, top + 3) == (0, 0, 0), 30, "the skin shaped")
        # The 4-pixel right and bottom edges and the 6 x 6 corner lie inside the X shape: the root
        # (black) shows through nowhere along them.
        for x, y in [(width - 1, 5), (width - 4, 60), (width - 2, 300), (width - 1, height - 1),
                     (width - 6, height - 6), (5, height - 1), (300, height - 4), (700, height - 2)]:
            self.assertNotEqual(self.pixel(shot, left + x, top + y), (0, 0, 0), "edge pixel (%d, %d)" % (x, y))

        # A press on the right edge below the browser starts a resize, not a move.
        start_x, y = left + width - 2, top + 552
        self.xdotool("mousemove", str(start_x), str(y), check=True)
        self.xdotool("mousedown", "1", check=True)
        moved = [0]

        def widened():
            moved[0] += 1
            if moved[0] <= 60:
                self.xdotool("mousemove", str(start_x + 2 * moved[0]), str(y), check=True)
            geometry = self.geometry(window)
            return geometry if geometry and geometry[2] >= width + 20 else None

        try:
            geometry = self.wait(widened, 20, what="the window to widen")
        finally:
            self.xdotool("mouseup", "1", check=True)
        self.screenshot("widened")
        self.assertEqual(geometry[:2], (left, top))
        self.assertEqual(geometry[3], height)
        self.assertIsNone(process.poll())

    def test_typing_a_user_name_and_submitting_opens_the_game_on_the_game_page(self):
        process, window, left, top = self.start_login()
        self.wait_login_page(left, top)
        self.log_in(left, top, "player7", "secret")
        width, height = self.screen_size()
        self.wait_launcher_window((width, height))
        self.wait(lambda: not self.launcher_windows(LOGIN_SIZE), 10, what="the login window hidden")
        self.wait(lambda: self.requests("s12.morvane.velqo.com", "/"), 30, what="the game page")
        self.wait_title(width)
        self.screenshot("game-window")
        # One game window, one activity report.
        self.assertEqual(len(self.launcher_windows((width, height))), 1)
        self.assertEqual(len(self.stat_reports()), 1)
        # Recharge: the server label from the game page and the name typed on the login page.
        self.click(width - 400 + 30, 14)
        expected = "http://pay.velqo.com/select.php?gamename=qx&gameserver=S12&username=player7"
        self.wait(lambda: expected in self.opened(), 10, what="the recharge page opened")
        self.assertEqual(self.opened(), [expected])
        self.assertIsNone(process.poll())

    def test_a_wrong_password_shows_the_pages_alert_and_stays_on_the_login(self):
        process, window, left, top = self.start_login()
        self.wait_login_page(left, top)
        self.log_in(left, top, "player7", "wrong")
        self.wait(lambda: self.requests("login.velqo.com", "/client/login.php"), 20, what="the form submitted")
        # The engine shows the alert over the page: the page's white is shaded around its box.
        x, y = left + BROWSER[0], top + BROWSER[1]
        shot = self.wait_screen(lambda shot: self.region_share(shot, x + 10, y + 300, 550, 30, WHITE) < 0.5, 20,
                                "the alert")
        self.screenshot("alert")
        self.assertTrue(self.launcher_windows(LOGIN_SIZE))
        width, height = self.screen_size()
        self.assertEqual(self.launcher_windows((width, height)), [])
        self.assertEqual(self.requests("login.velqo.com", "/entergame_pc.php"), [])
        self.assertIsNone(process.poll())
        del shot

    def test_an_unreachable_login_host_shows_the_error_text_and_retries_every_5_seconds(self):
        self.standin.set_mode("/client/index.php", "refused")
        process, window, left, top = self.start_login()
        x, y = left + BROWSER[0], top + BROWSER[1]
        self.wait(lambda: self.requests("login.velqo.com", "/client/index.php"), 30, what="the login page requested")
        self.wait_screen(lambda shot: self.region_share(shot, x + 85, y + 150, 400, 40, YELLOW) > 0.02, 20,
                         "the failure text")
        count = len(self.requests("login.velqo.com", "/client/index.php"))
        first = time.monotonic()
        self.wait(lambda: len(self.requests("login.velqo.com", "/client/index.php")) > count, 30,
                 what="the login page requested again", interval=0.05)
        gap = time.monotonic() - first
        self.assertTrue(3.0 <= gap <= 9.0, "the retry came after %.1f s" % gap)
        self.screenshot("failure-text")
        # Back on the network: the next retry shows the page.
        self.standin.set_mode("/client/index.php", "normal")
        self.wait_login_page(left, top)
        self.assertIsNone(process.poll())


class GameWindowTest(NormalModeTestCase):

    def test_pop_ups_and_the_loadgame_address(self):
        process, game, width, height = self.start_into_the_game()
        before = set(self.visible_windows())
        # The client_command pop-up opens nothing; the ordinary one opens a window of its own. The
        # clicks are taken in order, so once the second has its window the first had its turn.
        self.click(20 + 100, 33 + 80 + 20)
        self.click(20 + 100, 33 + 140 + 20)
        popup = self.wait(lambda: self.visible_windows("^Popup$"), 20, what="the pop-up window")
        self.screenshot("popup")
        # Without a window manager the pop-up opens over the page: put it aside.
        self.xdotool("windowmove", popup[0], str(width - 420), str(height - 320), check=True)
        new = [self.window_name(w) for w in self.visible_windows() if w not in before]
        self.assertEqual([name for name in new if name], ["Popup"])
        self.assertEqual(self.requests(path="/client_command"), [])
        # client://loadgame|ADDRESS: the page is blanked and ADDRESS loads.
        self.click(20 + 100, 33 + 200 + 20)
        self.wait(lambda: [r for r in self.requests("s12.morvane.velqo.com", "/") if r["query"] == "reloaded=1"], 20,
                 what="the loadgame address")
        self.assertEqual([r for r in self.requests() if r["target"].startswith("client:")], [])
        self.assertIsNone(process.poll())

    def test_settings_menu_refreshes_and_clears_the_cache(self):
        process, game, width, height = self.start_into_the_game()
        loads = len(self.requests("s12.morvane.velqo.com", "/"))
        self.open_menu(lambda: self.click(width - 208 + 20, 14))
        self.menu_choose(1)
        self.wait(lambda: len(self.requests("s12.morvane.velqo.com", "/")) > loads, 20, what="the page refreshed")
        # A second click elsewhere on the button: at the same spot it would be a double-click.
        self.open_menu(lambda: self.click(width - 208 + 40, 14))
        self.menu_choose(2)
        box = self.wait(lambda: [w for w in self.visible_windows("^VelqoMorvane$")
                                if self.geometry(w)[2:] != (width, height)], 20, what="the cache-cleared box")
        self.screenshot("cache-cleared")
        self.key("Return")
        self.wait(lambda: box[0] not in self.visible_windows(), 10, what="the box closed")
        self.assertIsNone(process.poll())

    def test_boss_key_hides_to_the_tray_and_the_tray_brings_it_back(self):
        process, game, width, height = self.start_into_the_game()
        self.click(width - 120 + 14, 14)
        self.wait(lambda: not self.launcher_windows(), 10, what="the game window hidden")
        item = self.wait(self.tray_items, 10, what="the tray item registered")[-1]
        self.assertIn("单击左键或右键", self.tray_property(item, "ToolTip"))
        self.tray_call(item, "Activate")
        self.wait_launcher_window((width, height))
        # The icon is gone once the window is back.
        self.wait(lambda: item not in self.bus_names(), 10, what="the tray item removed")
        # Again, and this time the tray menu's 退出 closes the game window: the login window comes back.
        self.click(width - 120 + 20, 14)
        self.wait(lambda: not self.launcher_windows(), 10, what="the game window hidden again")
        item = self.wait(lambda: [i for i in self.tray_items() if i in self.bus_names()], 10,
                        what="the second tray item")[-1]
        self.open_menu(lambda: self.tray_call(item, "ContextMenu"))
        self.menu_choose(2)
        self.wait_launcher_window(LOGIN_SIZE)
        self.assertIsNone(process.poll())

    def test_closing_the_game_window_shows_the_login_window_and_closing_that_ends(self):
        process, game, width, height = self.start_into_the_game()
        self.click(width - 36 + 17, 14)
        login = self.wait_launcher_window(LOGIN_SIZE)
        self.assertEqual(self.launcher_windows((width, height)), [])
        left, top, _, _ = self.geometry(login)
        self.click(left + 778, top + 127)
        self.assertEqual(self.wait_exit(process), 0)


if __name__ == "__main__":
    unittest.main()
