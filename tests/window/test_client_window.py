"""The client window: the real launcher in a real window under Xvfb and openbox, driven by real
key presses, with a test page that reports what it receives."""
# The launcher looks for its update server on the build's fixed port at every start.
# ctest-resource-lock: update_server

import os
import subprocess
import time
import unittest

from display import module_display
from launcher import TITLE, Installation, stop
from page_reports import PageReports
from x11 import X11

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
display = None


def setUpModule():
    global display
    display = module_display()


def icon_pixels_argb():
    """Icon 115 as the ARGB values that _NET_WM_ICON carries."""
    raw = subprocess.run(["convert", os.path.join(SOURCE_DIR, "res", "icon_115.png"), "rgba:-"],
                         capture_output=True, check=True).stdout
    return [(raw[i + 3] << 24) | (raw[i] << 16) | (raw[i + 1] << 8) | raw[i + 2]
            for i in range(0, len(raw), 4)]


class ClientWindowTest(unittest.TestCase):
    def setUp(self):
        self.x = X11(display)
        self.install = Installation()
        self.addCleanup(self.install.cleanup)
        self.reports = PageReports().__enter__()
        self.addCleanup(self.reports.__exit__, None, None, None)

    def start(self, with_page=True):
        if with_page:
            self.install.write_login_page(self.reports.page())
        process = self.install.start(display)
        self.addCleanup(stop, process)
        window = self.x.find_window(TITLE, pid=process.pid)
        self.assertIsNotNone(window, f"no window titled {TITLE!r}; stderr:\n{self.install.stderr()}")
        return process, window

    def wait_for_page(self):
        loaded = self.reports.wait_for(lambda r: r.get("type") == "load")
        self.assertIsNotNone(loaded, "the login page never reported its load")
        return loaded

    def assert_maximised(self, window):
        state = self.x.wait_until(
            lambda: {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"}
            <= self.x.wm_state(window) and self.x.wm_state(window))
        self.assertIn("_NET_WM_STATE_MAXIMIZED_VERT", state)
        self.assertIn("_NET_WM_STATE_MAXIMIZED_HORZ", state)

    def test_window_maps_titled_maximised_with_icon_115(self):
        _, window = self.start()
        self.assertEqual(self.x.title(window), TITLE)
        self.assert_maximised(window)
        icons = self.x.icons(window)
        self.assertTrue(icons, "the window has no icon")
        self.assertEqual([(w, h) for w, h, _ in icons], [(48, 48)])
        self.assertEqual(icons[0][2], icon_pixels_argb())

    def test_page_is_the_login_page_beside_the_executable(self):
        self.start()
        loaded = self.wait_for_page()
        self.assertIn(" ", self.install.program_folder)
        # The page's own location, exactly: the browser writes the blanks as %20 itself.
        self.assertEqual(loaded["href"], "file://" + self.install.program_folder.replace(" ", "%20")
                         + "/new-trunk/login.html?ParlomaxLogin")
        self.assertEqual(loaded["search"], "?ParlomaxLogin")

    def test_program_folder_goes_into_the_url_unescaped(self):
        # Put into the URL as it is, "%41" in the folder's name is an escape: the browser loads
        # the page of the folder whose name has "A" there. Escaped, it would load the other.
        self.install = Installation("Nolva %41 Client")
        self.addCleanup(self.install.cleanup)
        self.install.write_login_page(self.reports.page(which="program folder"))
        read_as = os.path.join(self.install.root, "Nolva A Client", "new-trunk")
        os.makedirs(read_as)
        with open(os.path.join(read_as, "login.html"), "w", encoding="utf-8") as page:
            page.write(self.reports.page(which="folder with A"))
        self.start(with_page=False)
        loaded = self.wait_for_page()
        self.assertEqual(loaded["href"], "file://" + self.install.program_folder.replace(" ", "%20")
                         + "/new-trunk/login.html?ParlomaxLogin")
        self.assertEqual(loaded["which"], "folder with A")

    def test_page_larger_than_the_window_keeps_its_scroll_bars(self):
        self.install.write_login_page(self.reports.scrolling_page())
        _, window = self.start(with_page=False)
        self.assert_maximised(window)
        loaded = self.wait_for_page()
        self.assertGreater(loaded["contentWidth"], loaded["innerWidth"])
        self.assertGreater(loaded["contentHeight"], loaded["innerHeight"])
        time.sleep(0.5)
        # The user's own wheel, down and then to the right: a page without scroll bars stays.
        self.x.wheel(window, 5)
        self.assertIsNotNone(self.reports.wait_for(
            lambda r: r.get("type") == "scroll" and r["y"] > 0, timeout=10),
            "the page did not scroll down")
        self.x.wheel(window, 7)
        self.assertIsNotNone(self.reports.wait_for(
            lambda r: r.get("type") == "scroll" and r["x"] > 0, timeout=10),
            "the page did not scroll to the right")

    def test_restored_window_resizes_but_never_below_800_by_570(self):
        _, window = self.start()
        self.assert_maximised(window)
        self.x.restore(window)
        self.x.wait_until(lambda: "_NET_WM_STATE_MAXIMIZED_VERT" not in self.x.wm_state(window))
        time.sleep(0.5)
        before = self.x.outer_size(window)

        # Drag the window far smaller, as a user would.
        self.x.resize_by_dragging(window, -1000, -800)
        smallest = self.x.wait_until(lambda: self.x.outer_size(window) != before and
                                     self.x.outer_size(window))
        self.assertEqual(smallest, (800, 570), f"from {before}")

        # And larger again: it follows the drag.
        self.x.resize_by_dragging(window, 300, 200)
        grown = self.x.wait_until(lambda: self.x.outer_size(window) != smallest and
                                  self.x.outer_size(window))
        self.assertGreater(grown[0], 1000)
        self.assertGreater(grown[1], 700)

    def test_enter_and_escape_key_downs_never_reach_the_page(self):
        process, window = self.start()
        loaded = self.wait_for_page()
        self.assertEqual(loaded["focus"], "field")
        self.x.activate(window)
        self.x.key("x")  # the page's text field has the keyboard
        self.assertIsNotNone(self.reports.wait_for(
            lambda r: r.get("type") == "keydown" and r.get("key") == "x"))

        swallowed = ["Escape", "Return", "KP_Enter", "shift+Return", "ctrl+Return",
                     "shift+Escape", "ctrl+Escape", "ctrl+KP_Enter"]
        self.x.key(*swallowed)
        self.x.hold_key("Return", 1.5)
        self.x.hold_key("Escape", 1.5)
        # Auto-repeat runs here: a held letter arrives as repeated key-downs.
        self.x.hold_key("a", 1.5)
        self.x.key("alt+Return", "y")
        self.assertIsNotNone(self.reports.wait_for(
            lambda r: r.get("type") == "keydown" and r.get("key") == "y"),
            "the keys after Enter and Esc never reached the page")

        downs = self.reports.of_type("keydown")
        reached = [r for r in downs if r["key"] in ("Enter", "Escape") and not r["alt"]]
        self.assertEqual(reached, [])
        self.assertEqual([r for r in self.reports.of_type("keypress")
                          if r["key"] == "Enter" and not r["alt"]], [])
        self.assertGreater(len([r for r in downs if r["key"] == "a" and r["repeat"]]), 0,
                           "no auto-repeat: the held keys tested nothing")
        ups = {r["key"] for r in self.reports.of_type("keyup")}
        self.assertLessEqual({"Enter", "Escape"}, ups)
        self.assertTrue([r for r in downs if r["key"] == "Enter" and r["alt"]],
                        "Alt+Enter did not reach the page")
        self.assertTrue(all(r["target"] == "field" for r in downs))
        self.assertIsNone(process.poll())
        self.assertTrue(self.x.window_exists(window))

    def test_closing_the_window_ends_the_program_with_exit_code_0(self):
        for close in ("window manager", "alt+F4"):
            with self.subTest(close=close):
                process, window = self.start()
                self.wait_for_page()
                if close == "alt+F4":
                    self.x.activate(window)
                    self.x.key("alt+F4")
                else:
                    self.x.close(window)
                self.assertEqual(process.wait(timeout=20), 0)

    def test_missing_login_page_still_opens_the_window_maximised(self):
        process, window = self.start(with_page=False)
        self.assert_maximised(window)
        time.sleep(2)
        self.assertIsNone(process.poll())
        self.assertTrue(self.x.window_exists(window))
        self.assertEqual(self.reports.all(), [])


class NoDisplayTest(unittest.TestCase):
    def test_without_a_display_the_program_ends_by_itself(self):
        install = Installation()
        self.addCleanup(install.cleanup)
        process = install.start(display=None)
        self.addCleanup(stop, process)
        self.assertEqual(process.wait(timeout=60), 0, install.stderr())


if __name__ == "__main__":
    unittest.main()
