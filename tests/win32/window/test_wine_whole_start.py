"""Whole starts of the real Quillbeck.exe under Wine, in real X windows under Xvfb and openbox,
against a real FTP update server on loopback: the update prompt, the hand-off to the updater,
the main window, the guard against a running client or updater, and the failed fetch.

Where Wine is not Windows, and what the checks allow for:
- The template fonts fall back to another sans font, so dialog units are wider than on Windows:
  sizes are checked in proportion to the window, not in pixels, and the red text may wrap inside
  its control (its control's rectangle still bounds it).
- Wine lets the window manager draw the caption and frame; the X window is the client area, and
  a window that cannot be resized gets equal minimum and maximum size hints, which is what
  openbox reads as "no resize, no maximise".
- openbox takes Alt+F4 itself and sends the close request, which reaches the dialog as SC_CLOSE:
  Alt+F4 and the close box are the same path here.
- Toolhelp lists the Windows processes of the same prefix only, by base name: the guard is tested
  with a cross-built stand-in started under Wine in the same prefix, not with a Linux process.
- Without Wine's Gecko engine (no package provides it) the browser control loads no page, so the
  login page is not checked here; the main window's title, state and end are.
- Paths the launcher hands to Windows programs are DOS paths (Z:\\...), compared without regard
  to letter case, as the file system does.
- The C runtime writes standard output in text mode: the "ERROR!  " line ends in CR LF."""
# ctest-resource-lock: update_server

import os
import subprocess
import time
import unittest

from display import SCREEN_HEIGHT, SCREEN_WIDTH, module_display
from launcher import TITLE
from wine_start import WineStart, dos_path, module_prefix

OWN_VERSION = "1.1.1173.0"
NEWER_VERSION = "1.1.1174.0"
display = None
prefix = None


def setUpModule():
    global display, prefix
    display = module_display()
    prefix = module_prefix()


def version_file(version=OWN_VERSION, file_name="NolvaClient.exe"):
    lines = ["[Version Info]"]
    if version is not None:
        lines.append(f"Version={version}")
    if file_name is not None:
        lines.append(f"FileName={file_name}")
    return "\r\n".join(lines) + "\r\n"


class Start(WineStart):
    def __init__(self, test, version_ini=None, serve=True, updater=True):
        super().__init__(test, display, prefix, version_ini, serve=serve, updater=updater)

    def add_cache(self):
        """A cache folder with a sub-folder and a file, as the client leaves it."""
        os.makedirs(self.path(os.path.join("Nolva Client", "sub folder")))
        with open(self.path(os.path.join("Nolva Client", "sub folder", "cached.bin")),
                  "wb") as cached:
            cached.write(b"cache")

    def wait_for_main_window(self):
        return self.wait_for(TITLE)

    def accept_prompt(self):
        """Starts, presses Enter on the prompt and waits for the launcher to end with 0; the
        titles of the windows it showed meanwhile."""
        self.start()
        # Watched while the launcher runs: a main window shown before it ends is seen.
        with self.x.watch_windows(self.process.pid) as watch:
            self.wait_for_prompt()
            self.x.key("Return")
            self.test.assertEqual(self.process.wait(timeout=30), 0, self.describe())
        return watch.titles

    def assert_maximised(self, window):
        state = self.x.wait_until(
            lambda: {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"}
            <= self.x.wm_state(window), timeout=10)
        self.test.assertTrue(state, f"not maximised: {self.x.wm_state(window)}")


def pixels(path, region):
    """The RGB bytes of region (x, y, width, height) of a screenshot."""
    x0, y0, width, height = region
    return subprocess.run(["convert", path, "-crop", f"{width}x{height}+{x0}+{y0}", "+repage",
                           "rgb:-"], capture_output=True, check=True).stdout


def red_rows(raw, width):
    """The rows of the clearly red pixels."""
    return [(index // 3) // width for index in range(0, len(raw) - 2, 3)
            if raw[index] > 180 and raw[index + 1] < 90 and raw[index + 2] < 90]


def dark_pixels_in_rows(raw, width, first_row, last_row):
    """How many dark, grey (not coloured) text pixels rows first_row..last_row hold."""
    count = 0
    for row in range(first_row, min(last_row, len(raw) // (3 * width))):
        for column in range(width):
            r, g, b = raw[(row * width + column) * 3:(row * width + column) * 3 + 3]
            if max(r, g, b) < 110 and max(r, g, b) - min(r, g, b) < 30:
                count += 1
    return count


class UpdatePromptTest(unittest.TestCase):
    def test_prompt_is_centred_fixed_and_only_its_second_text_is_red(self):
        with Start(self, version_file(NEWER_VERSION)) as start:
            start.start()
            prompt = start.wait_for_prompt()
            x = start.x
            self.assertEqual(x.title(prompt), "Update")
            actions = x.allowed_actions(prompt)
            self.assertIn("_NET_WM_ACTION_CLOSE", actions)
            for action in ("RESIZE", "MAXIMIZE_HORZ", "MAXIMIZE_VERT"):
                self.assertNotIn("_NET_WM_ACTION_" + action, actions)
            # No minimise or maximise box, no sizing border: moving and closing only.
            self.assertEqual(x.motif_functions(prompt), {"move", "close"})

            px, py, width, height = x.geometry(prompt)
            self.assertLess(abs(px + width // 2 - SCREEN_WIDTH // 2), 30)
            self.assertLess(abs(py + height // 2 - SCREEN_HEIGHT // 2), 40)

            time.sleep(0.5)
            shot = os.path.join(start.root, "prompt.png")
            x.screenshot(shot)
            raw = pixels(shot, (px, py, width, height))
            rows = red_rows(raw, width)
            self.assertGreater(len(rows), 30, "no red text")
            # Template rows in dialog units of 58: the question 9-23, the red text 29-40, the
            # buttons 40-53. Every red pixel lies in the red text's control.
            self.assertGreaterEqual(min(rows), height * 27 // 58)
            self.assertLessEqual(max(rows), height * 41 // 58)
            # The question and the button captions keep the default (dark grey) colour.
            self.assertGreater(dark_pixels_in_rows(raw, width, height * 8 // 58,
                                                   height * 24 // 58), 50)
            self.assertGreater(dark_pixels_in_rows(raw, width, height * 41 // 58, height), 20)
            self.assertIsNone(start.process.poll())
            start.assert_quiet_stdout()

    def test_enter_at_once_starts_the_updater_and_ends_the_launcher(self):
        with Start(self, version_file(NEWER_VERSION)) as start:
            self.assertNotIn(TITLE, start.accept_prompt())
            started = start.x.wait_until(start.stand_ins, timeout=20)
            self.assertEqual(len(started), 1, started)
            self.assertEqual(started[0]["exe"].lower(), dos_path(start.updater).lower())
            # Started with no arguments, in the launcher's own working folder.
            self.assertEqual(started[0]["argc"], 1)
            self.assertEqual(started[0]["cwd"].lower(), dos_path(start.root).lower())
            # The local copy stays for the updater.
            self.assertTrue(os.path.isfile(start.path("Version.ini")))
            with open(start.path("Version.ini")) as kept:
                self.assertIn(f"Version={NEWER_VERSION}", kept.read())
            start.assert_quiet_stdout()

    def test_yes_without_an_updater_still_ends_the_launcher_quietly(self):
        with Start(self, version_file("2.0.0.0"), updater=False) as start:
            self.assertNotIn(TITLE, start.accept_prompt())
            self.assertTrue(os.path.isfile(start.path("Version.ini")))
            start.assert_quiet_stdout()

    def test_declining_or_closing_the_prompt_opens_the_maximised_main_window(self):
        for way in ("Tab Return", "Escape", "close box", "alt+F4"):
            with self.subTest(way=way):
                with Start(self, version_file(NEWER_VERSION)) as start:
                    start.add_cache()
                    start.start()
                    prompt = start.wait_for_prompt()
                    if way == "close box":
                        start.x.close(prompt)
                    else:
                        start.x.key(*way.split())
                    window = start.wait_for_main_window()
                    start.assert_maximised(window)
                    self.assertFalse(start.x.window_exists(prompt))
                    self.assertFalse(os.path.exists(start.path("Version.ini")))
                    self.assertFalse(os.path.exists(start.path("Nolva Client")),
                                     "cache not removed")
                    self.assertEqual(start.stand_ins(), [])
                    self.assertIsNone(start.process.poll())
                    start.assert_quiet_stdout()


class WholeStartTest(unittest.TestCase):
    def test_no_prompt_for_an_equal_version_and_the_cache_is_removed(self):
        with Start(self, version_file(OWN_VERSION)) as start:
            start.add_cache()
            start.start()
            with start.x.watch_windows(start.process.pid) as watch:
                window = start.wait_for_main_window()
            self.assertNotIn("Update", watch.titles)
            start.assert_maximised(window)
            self.assertIn("RETR /Nolva Client/Version.ini", start.server.commands())
            self.assertFalse(os.path.exists(start.path("Version.ini")))
            self.assertFalse(os.path.exists(start.path("Nolva Client")), "cache not removed")
            start.assert_quiet_stdout()

    def test_no_server_prints_one_error_line_then_opens_the_main_window(self):
        with Start(self, serve=False) as start:
            with open(start.path("Version.ini"), "w") as old:
                old.write(version_file("9.9.9.9"))
            os.makedirs(start.path("Nolva Client"))
            start.start()
            with start.x.watch_windows(start.process.pid) as watch:
                window = start.wait_for_main_window()
            self.assertNotIn("Update", watch.titles)
            start.assert_maximised(window)
            start.assert_one_error_line()
            # The old local copy goes; the cache is left alone without a fetch.
            self.assertFalse(os.path.exists(start.path("Version.ini")))
            self.assertTrue(os.path.isdir(start.path("Nolva Client")), "cache touched")

    def test_a_running_client_or_updater_ends_the_launcher_before_any_window(self):
        for name, running_name, where in (
                ("client named in the file", "NolvaClient.exe", "elsewhere"),
                ("updater", "Update.exe", "program folder"),
                ("updater in another letter case", "uPDATE.exe", "elsewhere")):
            with self.subTest(name):
                with Start(self, version_file(OWN_VERSION), updater=False) as start:
                    os.makedirs(start.path("Nolva Client"))
                    folder = start.program_folder if where == "program folder" else \
                        os.path.join(start.root, "elsewhere")
                    start.keep_running(folder, running_name)
                    start.start()
                    with start.x.watch_windows(start.process.pid) as watch:
                        self.assertEqual(start.process.wait(timeout=30), 0, start.describe())
                    self.assertEqual(watch.titles, set())
                    # Only the stand-in kept running: the launcher started nothing.
                    self.assertEqual(len(start.stand_ins()), 1)
                    self.assertFalse(os.path.exists(start.path("Version.ini")))
                    self.assertTrue(os.path.isdir(start.path("Nolva Client")), "cache touched")
                    start.assert_quiet_stdout()

    def test_a_client_that_is_not_running_does_not_stop_the_launcher(self):
        # The same stand-in under another name: the guard matches names, not any program.
        with Start(self, version_file(OWN_VERSION), updater=False) as start:
            start.keep_running(os.path.join(start.root, "elsewhere"), "NolvaClient2.exe")
            start.start()
            window = start.wait_for_main_window()
            start.assert_maximised(window)
            start.assert_quiet_stdout()


if __name__ == "__main__":
    unittest.main()
