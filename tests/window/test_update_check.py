"""Whole starts of the real launcher against a real FTP update server on loopback: the update
check before any window, the update prompt, and the hand-off to the updater."""
# ctest-resource-lock: update_server

import json
import os
import shutil
import subprocess
import time
import unittest

from display import SCREEN_HEIGHT, SCREEN_WIDTH, module_display
from launcher import TITLE, stop
from whole_start import WholeStart

HELPERS = os.environ.get("QUILLBECK_HELPERS", "")
OWN_VERSION = "1.1.1173.0"
display = None


def setUpModule():
    global display
    display = module_display()


def version_file(version=OWN_VERSION, file_name="NolvaClient.exe"):
    lines = ["[Version Info]"]
    if version is not None:
        lines.append(f"Version={version}")
    if file_name is not None:
        lines.append(f"FileName={file_name}")
    return "\r\n".join(lines) + "\r\n"


class Start(WholeStart):
    """A whole start that may serve no version file, or have no server at all, with a stand-in
    updater in the program folder unless told otherwise; what the launcher starts records itself."""

    def __init__(self, test, version_ini=None, serve=True, updater=True):
        super().__init__(test, display, version_ini, serve=serve)
        self.record = os.path.join(self.install.root, "stand-in record.jsonl")
        if updater:
            shutil.copy2(os.path.join(HELPERS, "stand_in"),
                         os.path.join(self.install.program_folder, "Update.exe"))

    def keep_running(self, program_path):
        """Starts a stand-in copy that stays until this start ends."""
        running = subprocess.Popen([program_path, "--stay"])
        self.add_cleanup(lambda: stop(running))
        return running

    def start(self):
        return super().start(QUILLBECK_STAND_IN_RECORD=self.record)

    def stand_ins(self):
        if not os.path.exists(self.record):
            return []
        with open(self.record, encoding="utf-8") as record:
            return [json.loads(line) for line in record if line.strip()]

    def wait_for_main_window(self):
        window = self.x.find_window(TITLE, pid=self.process.pid, timeout=40)
        self.test.assertIsNotNone(window, f"no main window; stderr:\n{self.install.stderr()}")
        self.test.assertIsNotNone(self.reports.wait_for(lambda r: r.get("type") == "load"),
                                  "the login page never loaded")
        return window

    def wait_for_prompt(self):
        prompt = self.x.find_window("Update", pid=self.process.pid, timeout=40)
        self.test.assertIsNotNone(prompt, f"no update prompt; stderr:\n{self.install.stderr()}")
        self.x.activate(prompt)
        return prompt

    def assert_no_window_appears(self, timeout=3):
        self.test.assertIsNone(self.x.find_window(TITLE, pid=self.process.pid, timeout=timeout))
        self.test.assertIsNone(self.x.find_window("Update", pid=self.process.pid, timeout=0.1))


def red_pixels(path, region):
    """(x, y) of the clearly red pixels of a screenshot within region (x, y, width, height)."""
    x0, y0, width, height = region
    raw = subprocess.run(["convert", path, "-crop", f"{width}x{height}+{x0}+{y0}", "+repage",
                          "rgb:-"], capture_output=True, check=True).stdout
    found = []
    for index in range(0, len(raw) - 2, 3):
        r, g, b = raw[index], raw[index + 1], raw[index + 2]
        if r > 180 and g < 90 and b < 90:
            pixel = index // 3
            found.append((pixel % width, pixel // width))
    return found


def dark_pixels_in_rows(path, region, first_row, last_row):
    """How many dark, grey (not coloured) text pixels the rows first_row..last_row of region hold."""
    x0, y0, width, height = region
    raw = subprocess.run(["convert", path, "-crop", f"{width}x{height}+{x0}+{y0}", "+repage",
                          "rgb:-"], capture_output=True, check=True).stdout
    count = 0
    for row in range(first_row, min(last_row, height)):
        for column in range(width):
            index = (row * width + column) * 3
            r, g, b = raw[index], raw[index + 1], raw[index + 2]
            if max(r, g, b) < 110 and max(r, g, b) - min(r, g, b) < 30:
                count += 1
    return count


class UpdatePromptTest(unittest.TestCase):
    def test_prompt_is_centred_fixed_and_only_its_second_text_is_red(self):
        with Start(self, version_file("1.1.1174.0")) as start:
            start.start()
            prompt = start.wait_for_prompt()
            x = start.x
            self.assertEqual(x.title(prompt), "Update")
            actions = x.allowed_actions(prompt)
            self.assertIn("_NET_WM_ACTION_CLOSE", actions)
            for action in ("RESIZE", "MAXIMIZE_HORZ", "MAXIMIZE_VERT"):
                self.assertNotIn("_NET_WM_ACTION_" + action, actions)
            # Moving and closing are all that the prompt asks the window manager for; openbox
            # keeps minimising whatever a window asks.
            self.assertEqual(x.motif_functions(prompt), {"move", "close"})

            px, py, width, height = x.geometry(prompt)
            self.assertLess(abs(px + width // 2 - SCREEN_WIDTH // 2), 30)
            self.assertLess(abs(py + height // 2 - SCREEN_HEIGHT // 2), 40)

            time.sleep(0.5)
            shot = os.path.join(start.install.root, "prompt.png")
            x.screenshot(shot)
            region = (px, py, width, height)
            red = red_pixels(shot, region)
            self.assertGreater(len(red), 30, "no red text")
            # Template rows, in dialog units of 58: the question 9-23, the red text 29-40, the
            # buttons 40-53. Every red pixel lies in the red text's band.
            rows = [row for _, row in red]
            self.assertGreaterEqual(min(rows), height * 26 // 58)
            self.assertLessEqual(max(rows), height * 41 // 58)
            # The question and the button captions keep the default (dark grey) colour.
            self.assertGreater(
                dark_pixels_in_rows(shot, region, height * 8 // 58, height * 24 // 58), 50)
            self.assertGreater(dark_pixels_in_rows(shot, region, height * 41 // 58, height), 20)
            start.assert_quiet_stdout()

    def test_enter_at_once_starts_the_updater_and_ends_the_launcher(self):
        with Start(self, version_file("1.1.1174.0")) as start:
            start.start()
            # Watched while the launcher runs: a main window shown before it ends is seen.
            with start.x.watch_windows(start.process.pid) as watch:
                start.wait_for_prompt()
                start.x.key("Return")
                self.assertEqual(start.process.wait(timeout=20), 0)
            # The prompt was found above; no main window may have come before the end.
            self.assertNotIn(TITLE, watch.titles)
            started = start.x.wait_until(start.stand_ins, timeout=10)
            self.assertEqual(len(started), 1)
            self.assertEqual(started[0]["exe"], os.path.join(start.install.program_folder, "Update.exe"))
            self.assertEqual(started[0]["cwd"], start.install.root)
            self.assertEqual(started[0]["argc"], 1)
            self.assertTrue(os.path.isfile(start.path("Version.ini")))
            self.assertEqual(start.reports.all(), [])
            start.assert_quiet_stdout()

    def test_yes_without_an_updater_still_ends_the_launcher_quietly(self):
        with Start(self, version_file("2.0.0.0"), updater=False) as start:
            start.start()
            with start.x.watch_windows(start.process.pid) as watch:
                start.wait_for_prompt()
                start.x.key("Return")
                self.assertEqual(start.process.wait(timeout=20), 0)
            # The prompt was found above; no main window may have come before the end.
            self.assertNotIn(TITLE, watch.titles)
            self.assertTrue(os.path.isfile(start.path("Version.ini")))
            self.assertEqual(start.reports.all(), [])
            start.assert_quiet_stdout()

    def test_declining_or_closing_the_prompt_opens_the_main_window(self):
        for way in ("Tab Return", "Escape", "close box", "alt+F4"):
            with self.subTest(way=way):
                with Start(self, version_file("1.1.1174.0")) as start:
                    start.start()
                    prompt = start.wait_for_prompt()
                    if way == "close box":
                        start.x.close(prompt)
                    else:
                        start.x.key(*way.split())
                    start.wait_for_main_window()
                    self.assertFalse(start.x.window_exists(prompt))
                    self.assertFalse(os.path.exists(start.path("Version.ini")))
                    self.assertEqual(start.stand_ins(), [])
                    self.assertIsNone(start.process.poll())
                    start.assert_quiet_stdout()


class WholeStartTest(unittest.TestCase):
    def test_the_prompt_appears_only_for_a_newer_server_version(self):
        cases = [
            ("newer", version_file("1.1.1174.0"), True),
            ("newer by its last part", version_file("1.1.1173.1"), True),
            ("equal", version_file(OWN_VERSION), False),
            ("older", version_file("1.0.9999.9999"), False),
            ("negative first part", version_file("-1.0.0.0"), False),
            ("three parts", version_file("1.1.1174"), False),
            ("key missing", version_file(None), False),
        ]
        for name, ini, prompted in cases:
            with self.subTest(name):
                with Start(self, ini) as start:
                    os.makedirs(start.path("Nolva Client/sub folder"))
                    with open(start.path("Nolva Client/sub folder/cached.bin"), "wb") as cached:
                        cached.write(b"cache")
                    start.start()
                    # Watched from the start to the main window: a prompt shown is seen.
                    with start.x.watch_windows(start.process.pid) as watch:
                        if prompted:
                            start.wait_for_prompt()
                            start.x.key("Escape")
                        start.wait_for_main_window()
                    # A prompt that came was found above (it may close before a poll sees it);
                    # one that should not come must never have been seen.
                    if not prompted:
                        self.assertNotIn("Update", watch.titles)
                    self.assertIn(TITLE, watch.titles)
                    self.assertIsNone(
                        start.x.find_window("Update", pid=start.process.pid, timeout=0.1))
                    self.assertFalse(os.path.exists(start.path("Version.ini")))
                    self.assertFalse(os.path.exists(start.path("Nolva Client")),
                                     "cache not removed")
                    self.assertIn("RETR /Nolva Client/Version.ini", start.server.commands())
                    start.assert_quiet_stdout()

    def test_an_unreadable_own_version_counts_as_0_0_0_0(self):
        for server_version, prompted in (("1.1.1173.0", True), (None, False)):
            with self.subTest(server_version=server_version):
                with Start(self, version_file(server_version)) as start:
                    subprocess.run(["objcopy", "--remove-section", ".fileversion",
                                    start.install.executable], check=True)
                    start.start()
                    if prompted:
                        start.wait_for_prompt()
                        start.x.key("Escape")
                    start.wait_for_main_window()
                    self.assertFalse(os.path.exists(start.path("Version.ini")))

    def test_a_failed_fetch_skips_the_check_but_deletes_an_old_local_copy(self):
        with Start(self, serve=False) as start:
            with open(start.path("Version.ini"), "w") as old:
                old.write(version_file("9.9.9.9", file_name="Quillbeck"))
            os.makedirs(start.path("Nolva Client"))
            start.start()
            start.wait_for_main_window()
            self.assertFalse(os.path.exists(start.path("Version.ini")))
            self.assertTrue(os.path.isdir(start.path("Nolva Client")),
                            "cache touched without a fetch")
            lines = start.install.stdout().decode().splitlines()
            self.assertEqual(len(lines), 1, lines)
            self.assertTrue(lines[0].startswith("ERROR!  "), lines)

    def test_a_running_client_or_updater_ends_the_launcher_before_any_window(self):
        for name, running_name, where in (
                ("client named in the file", "NolvaClient.exe", "elsewhere"),
                ("updater", "Update.exe", "program folder"),
                ("updater in another letter case", "uPDATE.exe", "elsewhere"),
                ("the launcher itself", None, None)):
            with self.subTest(name):
                file_name = "Quillbeck" if running_name is None else "NolvaClient.exe"
                ini = version_file(OWN_VERSION, file_name=file_name)
                with Start(self, ini, updater=False) as start:
                    os.makedirs(start.path("Nolva Client"))
                    if running_name is not None:
                        folder = start.install.program_folder if where == "program folder" else \
                            os.path.join(start.install.root, "elsewhere")
                        os.makedirs(folder, exist_ok=True)
                        copy = os.path.join(folder, running_name)
                        shutil.copy2(os.path.join(HELPERS, "stand_in"), copy)
                        running = start.keep_running(copy)
                        start.x.wait_until(lambda: os.path.basename(
                            os.readlink(f"/proc/{running.pid}/exe")) == running_name)
                    start.start()
                    with start.x.watch_windows(start.process.pid) as watch:
                        self.assertEqual(start.process.wait(timeout=30), 0)
                    self.assertEqual(watch.titles, set())
                    self.assertEqual(start.reports.all(), [])
                    self.assertFalse(os.path.exists(start.path("Version.ini")))
                    self.assertTrue(os.path.isdir(start.path("Nolva Client")), "cache touched")
                    start.assert_quiet_stdout()

    def test_names_that_are_not_what_they_seem_are_left_alone(self):
        # A plain file named like the cache folder.
        with Start(self, version_file(OWN_VERSION)) as start:
            with open(start.path("Nolva Client"), "w") as plain:
                plain.write("not a folder")
            start.start()
            start.wait_for_main_window()
            with open(start.path("Nolva Client")) as plain:
                self.assertEqual(plain.read(), "not a folder")

        # A link of that name to a folder elsewhere: neither walked nor removed.
        with Start(self, version_file(OWN_VERSION)) as start:
            elsewhere = os.path.join(start.install.root, "elsewhere")
            os.makedirs(elsewhere)
            with open(os.path.join(elsewhere, "keep.txt"), "w") as keep:
                keep.write("keep")
            os.symlink(elsewhere, start.path("Nolva Client"))
            start.start()
            start.wait_for_main_window()
            self.assertTrue(os.path.islink(start.path("Nolva Client")))
            self.assertTrue(os.path.isfile(os.path.join(elsewhere, "keep.txt")))

        # A folder named like the local copy: the fetch cannot write there, and it stays.
        with Start(self, version_file("9.0.0.0")) as start:
            os.makedirs(start.path("Version.ini/inside"))
            os.makedirs(start.path("Nolva Client"))
            start.start()
            with start.x.watch_windows(start.process.pid) as watch:
                start.wait_for_main_window()
            self.assertNotIn("Update", watch.titles)
            self.assertTrue(os.path.isdir(start.path("Version.ini/inside")))
            self.assertTrue(os.path.isdir(start.path("Nolva Client")))


if __name__ == "__main__":
    unittest.main()
