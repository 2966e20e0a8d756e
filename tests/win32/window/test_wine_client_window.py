"""The main window of the real Quillbeck.exe under Wine, in real X windows under Xvfb and openbox,
after an equal-version fetch from a real FTP server on loopback: its state, icon, size limits,
the child that fills it, and the keys that must not close it.

What the program itself sees of its window is read by window_probe.exe, a console program run
in the same Wine prefix while the launcher runs (the programs of one prefix share windows).

What Wine does here, and what the checks allow for:
- Wine sends WM_GETMINMAXINFO across processes with its structure: the probe fills every field
  with a marker and reads back the window's own answer, so the minimum is checked as the window
  answers it, and the fields it must leave alone still hold the markers.
- Wine gives a resizable window no X minimum-size hint: the window manager can make the X window
  smaller than the minimum (down to 1 x 1 by dragging) while the program's own window rectangle
  stays at 800 x 570. The minimum is therefore checked from the probe, not from X.
- The window manager's restore (removing the maximised state) reaches the program: the window
  is no longer zoomed and loses WS_MAXIMIZE.
- The X window is the client area; Wine's window rectangle adds its own frame and caption.
- _NET_WM_ICON holds the icon that LoadIconA made at the system's large-icon size: 48 x 48
  scaled to 32 x 32 by Wine's own sampling, with a few dark edge pixels of its own, and no
  16 x 16 image although the same icon is also the small one. It is compared with
  res/icon_115.png scaled to the same size, with a stated tolerance.
- openbox takes Alt+F4 itself and sends the close request: Alt+F4 and the close box reach the
  dialog the same way, as SC_CLOSE."""
# ctest-resource-lock: update_server

import json
import os
import shutil
import subprocess
import time
import unittest

from display import module_display
from launcher import TITLE
from wine_start import SOURCE_ROOT, WINE_RUN, WineStart, module_prefix
from x11 import X11

OWN_VERSION = "1.1.1173.0"
PROBE = os.environ["QUILLBECK_WINDOW_PROBE"]
# The probe's marker for a field of MINMAXINFO that the window left alone.
UNTOUCHED = [31337, 31337]
MIN_SIZE = (800, 570)
ICON = os.path.join(SOURCE_ROOT, "res", "icon_115.png")
# A pixel of Wine's icon matches when one of the reference's pixels at its place or next to it
# (Wine samples about one source pixel off ImageMagick) is within this much in every
# premultiplied channel; at most ICON_MISSES_ALLOWED pixels of the 32 x 32 may fail. Wine's
# scaling of icon 115 leaves about 50 (its dark edge pixels); its default application icon
# about 730, and icon 115 turned by 90 degrees about 95.
ICON_CHANNEL_TOLERANCE = 64
ICON_MISSES_ALLOWED = 64

display = None
prefix = None


def setUpModule():
    global display, prefix
    display = module_display()
    prefix = module_prefix()


def equal_version_file():
    return f"[Version Info]\r\nVersion={OWN_VERSION}\r\nFileName=NolvaClient.exe\r\n"


def size_of(rect):
    left, top, right, bottom = rect
    return right - left, bottom - top


class Start(WineStart):
    """A start after an equal-version fetch: no prompt, straight to the main window."""

    def __init__(self, test, login_page=True):
        super().__init__(test, display, prefix, equal_version_file())
        if not login_page:
            shutil.rmtree(os.path.join(self.program_folder, "new-trunk"))

    def probe(self, *args):
        """The last line the probe prints about the main window, as a dict."""
        result = subprocess.run([WINE_RUN, PROBE, *args], env=self._env(), capture_output=True,
                                text=True, timeout=60)
        lines = result.stdout.strip().splitlines()
        self.test.assertEqual(result.returncode, 0,
                              f"probe {args}: {result.stdout} {result.stderr}; {self.describe()}")
        return json.loads(lines[-1])

    def probe_until(self, predicate, timeout=10):
        """The probe's view once predicate holds for it, else the last one seen."""
        deadline = time.monotonic() + timeout
        while True:
            seen = self.probe()
            if predicate(seen) or time.monotonic() >= deadline:
                return seen
            time.sleep(0.2)

    def open_main_window(self):
        self.start()
        window = self.wait_for(TITLE)
        seen = self.probe_until(lambda s: s["zoomed"])
        self.test.assertTrue(seen["zoomed"] and seen["maximize_style"], f"not maximised: {seen}")
        return window

    def restore(self, window):
        """The window manager's restore; returns the probe's view once the program has it."""
        self.x.restore(window)
        seen = self.probe_until(lambda s: not s["zoomed"])
        self.test.assertFalse(seen["zoomed"] or seen["maximize_style"],
                              f"the restore did not reach the program: {seen}")
        return seen

    def size_x_window(self, window, width, height):
        self.x.run("xdotool", "windowsize", str(window), str(width), str(height))


def icon_argb(path, size, *convert_args):
    """An image file scaled to size x size, as the ARGB values that _NET_WM_ICON carries."""
    raw = subprocess.run(["convert", path, *convert_args, "-filter", "box", "-resize",
                          f"{size}x{size}!", "rgba:-"], capture_output=True, check=True).stdout
    return [(raw[i + 3] << 24) | (raw[i] << 16) | (raw[i + 1] << 8) | raw[i + 2]
            for i in range(0, len(raw), 4)]


def premultiplied(argb):
    alpha = (argb >> 24) & 255
    return (alpha, ((argb >> 16) & 255) * alpha // 255, ((argb >> 8) & 255) * alpha // 255,
            (argb & 255) * alpha // 255)


def icon_misses(image, reference, size):
    """How many pixels of image match no pixel of reference at their place or next to it."""
    misses = 0
    for y in range(size):
        for x in range(size):
            pixel = premultiplied(image[y * size + x])
            near = (premultiplied(reference[yy * size + xx])
                    for yy in range(max(0, y - 1), min(size, y + 2))
                    for xx in range(max(0, x - 1), min(size, x + 2)))
            if not any(max(abs(a - b) for a, b in zip(pixel, other)) <= ICON_CHANNEL_TOLERANCE
                       for other in near):
                misses += 1
    return misses


class IconComparisonTest(unittest.TestCase):
    def test_wines_default_icon_and_a_turned_icon_fail_the_comparison(self):
        # A window that names no icon of its own gets Wine's default application icon.
        plain = subprocess.Popen([WINE_RUN, PROBE, "plain", "60"], env=prefix.env(display),
                                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        try:
            x = X11(display)
            window = x.find_window("Plain probe window", timeout=30, pid=plain.pid)
            self.assertIsNotNone(window, "the probe's plain window did not appear")
            icons = x.wait_until(lambda: x.icons(window), timeout=10)
            x.close(window)
            self.assertEqual(plain.wait(timeout=30), 0)
        finally:
            if plain.poll() is None:
                plain.kill()
                plain.wait()
        self.assertTrue(icons, "Wine gave the plain window no icon")
        for width, height, pixels in icons:
            self.assertEqual(width, height)
            misses = icon_misses(pixels, icon_argb(ICON, width), width)
            self.assertGreater(misses, ICON_MISSES_ALLOWED * 4, f"{width}x{height}")
        # The artwork's own layout counts, not only its colours.
        turned = icon_argb(ICON, 32, "-rotate", "90")
        self.assertGreater(icon_misses(turned, icon_argb(ICON, 32), 32), ICON_MISSES_ALLOWED)


class MainWindowTest(unittest.TestCase):
    def test_opens_titled_maximised_resizable_with_icon_115(self):
        for case, login_page in (("login page beside it", True), ("no new-trunk folder", False)):
            with self.subTest(case):
                with Start(self, login_page=login_page) as start:
                    self.assertEqual(
                        os.path.isdir(os.path.join(start.program_folder, "new-trunk")),
                        login_page)
                    window = start.open_main_window()
                    self.assertEqual(start.x.title(window), TITLE)
                    state = start.x.wait_until(
                        lambda: {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"}
                        <= start.x.wm_state(window))
                    self.assertTrue(state, f"X state {start.x.wm_state(window)}")
                    seen = start.probe()
                    self.assertTrue(seen["thick_frame"], seen)
                    # Maximised over the whole screen: the client area is the X window.
                    self.assertEqual(size_of(seen["client"]), start.x.geometry(window)[2:])

                    icons = start.x.wait_until(lambda: start.x.icons(window))
                    self.assertIn(32, [width for width, _, _ in icons],
                                  f"icon sizes {[(w, h) for w, h, _ in icons]}")
                    for width, height, pixels in icons:
                        self.assertEqual(width, height)
                        misses = icon_misses(pixels, icon_argb(ICON, width), width)
                        self.assertLessEqual(misses, ICON_MISSES_ALLOWED, f"{width}x{height}")

                    # Still open a while later, whatever the browser made of the page.
                    time.sleep(2)
                    self.assertIsNone(start.process.poll(), start.describe())
                    self.assertTrue(start.probe()["zoomed"])
                    start.assert_quiet_stdout()

    def test_restored_it_never_goes_below_800_by_570_and_sizes_freely_above(self):
        with Start(self) as start:
            window = start.open_main_window()
            min_max = start.probe()["min_max"]
            self.assertTrue(min_max["answered"], min_max)
            self.assertEqual(min_max["min_track"], list(MIN_SIZE))
            # Only the minimum is the window's: the rest stays as the asker filled it.
            for field in ("max_track", "max_size", "max_position"):
                self.assertEqual(min_max[field], UNTOUCHED, field)

            start.restore(window)
            for way in ("X window sized to 400 x 300", "dragged inwards",
                        "sized to 300 x 200 from inside"):
                with self.subTest(way):
                    start.size_x_window(window, 1000, 700)
                    larger = start.probe_until(lambda s: size_of(s["client"]) == (1000, 700))
                    self.assertEqual(size_of(larger["client"]), (1000, 700), larger)
                    width, height = size_of(larger["window"])
                    self.assertGreater(width, 1000)
                    self.assertGreater(height, 700)

                    if way.startswith("X window"):
                        start.size_x_window(window, 400, 300)
                    elif way.startswith("dragged"):
                        start.x.resize_by_dragging(window, -900, -700)
                    else:
                        start.probe("size", "300", "200", "look")
                    seen = start.probe_until(lambda s: size_of(s["window"]) == MIN_SIZE)
                    self.assertEqual(size_of(seen["window"]), MIN_SIZE,
                                     f"{seen}; X window {start.x.geometry(window)}")
                    time.sleep(0.5)
                    self.assertEqual(size_of(start.probe()["window"]), MIN_SIZE)
            self.assertIsNone(start.process.poll(), start.describe())

    def test_a_child_window_covers_the_whole_client_area(self):
        with Start(self) as start:
            window = start.open_main_window()

            def assert_covered(when):
                seen = start.probe()
                covering = [child for child in seen["children"]
                            if child["visible"] and child["rect"] == seen["client"]]
                self.assertTrue(covering, f"{when}: no visible child window covers the client "
                                f"area {seen['client']}; children: {seen['children']}")

            assert_covered("maximised")
            start.restore(window)
            time.sleep(0.5)
            assert_covered("restored")
            start.size_x_window(window, 1000, 700)
            start.probe_until(lambda s: size_of(s["client"]) == (1000, 700))
            assert_covered("resized to 1000 x 700")
            start.size_x_window(window, 1200, 900)
            start.probe_until(lambda s: size_of(s["client"]) == (1200, 900))
            assert_covered("resized to 1200 x 900")


class KeysAndEndTest(unittest.TestCase):
    KEYS_THAT_DO_NOT_CLOSE = ("Escape", "Return", "KP_Enter", "shift+Escape", "shift+Return",
                              "shift+KP_Enter", "ctrl+Escape", "ctrl+Return", "ctrl+KP_Enter",
                              "alt+Return")

    def test_esc_and_enter_never_close_it_and_close_requests_end_it_with_0(self):
        for way in ("close box", "alt+F4"):
            with self.subTest(way=way):
                with Start(self) as start:
                    window = start.open_main_window()
                    start.x.activate(window)
                    self.assertTrue(start.probe_until(lambda s: s["foreground"])["foreground"],
                                    "the main window does not have the keyboard")
                    for key in self.KEYS_THAT_DO_NOT_CLOSE:
                        start.x.key(key)
                    # Held long enough for the auto-repeat to send key-down after key-down.
                    start.x.hold_key("Return", 1.2)
                    start.x.hold_key("Escape", 1.2)
                    time.sleep(1)
                    self.assertIsNone(start.process.poll(),
                                      f"a key ended the launcher; {start.describe()}")
                    seen = start.probe()
                    self.assertTrue(seen["foreground"] and seen["zoomed"], seen)
                    self.assertTrue(start.x.window_exists(window))

                    if way == "close box":
                        start.x.close(window)
                    else:
                        start.x.activate(window)
                        start.x.key("alt+F4")
                    self.assertEqual(start.process.wait(timeout=30), 0, start.describe())
                    self.assertEqual(start.stand_ins(), [])
                    start.assert_quiet_stdout()


class StartWithoutBrowser(Start):
    """A start in which the system's web browser control cannot be made: Wine is told not to
    load the library that provides it."""

    def _env(self):
        env = super()._env()
        env["WINEDLLOVERRIDES"] = env.get("WINEDLLOVERRIDES", "") + ";ieframe=d"
        return env


class WithoutBrowserControlTest(unittest.TestCase):
    def test_the_launcher_ends_quietly_with_0_and_shows_no_main_window(self):
        with StartWithoutBrowser(self) as start:
            start.start()
            with start.x.watch_windows(start.process.pid) as watch:
                code = start.process.wait(timeout=60)
            self.assertEqual(code, 0, start.describe())
            self.assertNotIn(TITLE, watch.titles)
            self.assertNotIn("Quillbeck", watch.titles)
            start.assert_quiet_stdout()


if __name__ == "__main__":
    unittest.main()
