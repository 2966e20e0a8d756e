"""Whole starts of the real launcher against hostile version files, hostile update servers and a
hostile cache folder. Each start ends at the main window (or first at the update prompt that its
version file asks for), writes nothing but its two application-data names, and ends its update
check within the time limits of the fetch."""
# ctest-resource-lock: update_server

import os
import tempfile
import unittest

from display import module_display
from launcher import TITLE
from whole_start import WholeStart, snapshot

MEBIBYTE = 1024 * 1024

# Seconds. A connection is tried once, for at most 5 s; a transfer ends after 30 s without data,
# and after 40 s whatever arrives. Start-up adds the toolkit's and the window's set-up, under the
# sanitizers too.
CONNECT_LIMIT = 5
RECEIVE_LIMIT = 30
TRANSFER_LIMIT = 40
START_SLACK = 20

# The launcher may write only these, in its application-data folder. The download's temporary
# name is not among them: no start may leave it behind.
APPLICATION_DATA_NAMES = ("Version.ini", "Nolva Client")
# What the harness itself writes beside the installation while the launcher runs.
HARNESS_FILES = ("stdout.txt", "stderr.txt")
# The web view keeps its pages' cookies, caches and storage in the user's folders, as a browser
# does, at every start and whatever the version file holds.
WEB_VIEW_STORAGE = (os.path.join(".cache", "Quillbeck"), os.path.join(".local", "share", "Quillbeck"))

display = None


def setUpModule():
    global display
    display = module_display()


def version_file(version="1.1.1174.0"):
    return f"[Version Info]\r\nVersion={version}\r\nFileName=NolvaClient.exe\r\n".encode()


class Start(WholeStart):
    """A whole start whose server always listens, with fault options, and whose launcher has a
    runtime folder of its own; it records what the installation held before the start."""

    def __init__(self, test, content, faults=()):
        super().__init__(test, display, content, faults)
        # A desktop session has a runtime folder of its own, outside the user's home; without
        # one, the settings layer under the toolkit would keep its runtime files in the home.
        runtime = tempfile.TemporaryDirectory(prefix="quillbeck-runtime-")
        self.add_cleanup(runtime.cleanup)
        self.runtime_folder = runtime.name
        self.before = None

    def start(self):
        self.before = snapshot(self.install.root)
        return super().start(XDG_RUNTIME_DIR=self.runtime_folder)

    def answer_prompt_with_no(self, limit):
        prompt = self.wait_for("Update", limit)
        self.x.activate(prompt)
        self.x.key("Escape")

    def end_at_main_window(self, limit):
        """Waits for the main window and the login page, closes the window as the user would and
        checks that the launcher ended normally, having written nothing it may not write."""
        window = self.wait_for(TITLE, limit)
        seconds = self.elapsed()
        self.test.assertIsNotNone(self.reports.wait_for(lambda r: r.get("type") == "load"),
                                  "the login page never loaded")
        self.test.assertIsNone(self.x.find_window("Update", pid=self.process.pid, timeout=0.1))
        self.x.close(window)
        self.test.assertEqual(self.process.wait(timeout=20), 0)
        self.test.assertFalse(os.path.lexists(self.path("Version.ini")))
        self.assert_wrote_only_application_data_names()
        return seconds

    def assert_wrote_only_application_data_names(self):
        after = snapshot(self.install.root)
        config_home = os.path.relpath(self.install.config_home, self.install.root)
        home = os.path.relpath(self.install.home, self.install.root)
        allowed = [os.path.join(config_home, name) for name in APPLICATION_DATA_NAMES]
        allowed += [os.path.join(home, name) for name in WEB_VIEW_STORAGE]

        def may_change(path):
            # Within an allowed name, or a folder made on the way to one.
            return path in HARNESS_FILES or any(
                path == name or path.startswith(name + os.sep) or
                (name.startswith(path + os.sep) and after.get(path, ("",))[0] == "folder")
                for name in allowed)

        changed = sorted(path for path in set(self.before) | set(after)
                         if self.before.get(path) != after.get(path) and not may_change(path))
        self.test.assertEqual(changed, [], "written outside the application-data names")


class HostileVersionFileTest(unittest.TestCase):
    def test_each_file_ends_at_the_main_window_after_the_prompt_its_version_asks_for(self):
        padding_line = b";" + b"x" * (50 * MEBIBYTE) + b"\r\n"
        without_line_ends = b"[Version Info]\rVersion=1.1.1174.0\rFileName=NolvaClient.exe\r"
        cases = [
            # Refused whole as a failed fetch, though it names a newer version; the server
            # announces no size, so the fetch learns it only from the data.
            ("50 MiB", version_file("9.0.0.0") + padding_line, ["--no-size"], False),
            # A NUL byte ends the text of its line: the file names the newer version only in
            # its last line.
            ("NUL bytes",
             b"[Version Info]\r\nFileName=Nolva\0Client.exe\r\n\0Version=1.1.1173.0\r\n"
             b"Version=1.1.1174.0\0.9.9.9\r\n\0\0\0", [], True),
            # Exactly the bound, in one line: a lone CR ends no line, so no key is found.
            ("no line ends",
             without_line_ends + b"y" * (MEBIBYTE - len(without_line_ends)), [], False),
            ("a 100 KiB line",
             b"[Version Info]\r\nFileName=" + b"N" * (100 * 1024) + b"\r\nVersion=1.1.1174.0"
             + b".7" * (50 * 1024) + b"\r\n", [], True),
            ("CR LF and blanks",
             b"\r\n[Version Info]\r\n\r\n  FileName = NolvaClient.exe \r\n"
             b"\tVersion = 1.1.1174.0 \r\n\r\n", [], True),
            ("a byte-order mark", b"\xef\xbb\xbf" + version_file("1.1.1174.0"), [], True),
        ]
        for name, content, faults, prompted in cases:
            with self.subTest(name):
                with Start(self, content, faults) as start:
                    start.start()
                    if prompted:
                        start.answer_prompt_with_no(START_SLACK)
                    seconds = start.end_at_main_window(START_SLACK)
                    self.assertLess(seconds, START_SLACK)
                    self.assertIn("RETR /Nolva Client/Version.ini", start.server.commands())
                    start.assert_quiet_stdout()


class HostileServerTest(unittest.TestCase):
    def test_a_server_that_never_greets_costs_one_connect_limit_and_one_error_line(self):
        with Start(self, version_file("9.0.0.0"), ["--never-greet"]) as start:
            start.start()
            seconds = start.end_at_main_window(CONNECT_LIMIT + START_SLACK)
            self.assertGreaterEqual(seconds, CONNECT_LIMIT - 0.5)
            self.assertEqual(start.server.connections(), 1, "the connection was tried again")
            start.assert_one_error_line()

    def test_a_stalled_data_connection_ends_the_fetch_at_the_receive_limit(self):
        # The bytes that arrive before the stall name a newer version; none of them is used.
        content = version_file("9.0.0.0") + b";" + b"x" * 4000 + b"\r\n"
        with Start(self, content, ["--stall-after", str(len(version_file("9.0.0.0")))]) as start:
            start.start()
            seconds = start.end_at_main_window(RECEIVE_LIMIT + START_SLACK)
            self.assertGreaterEqual(seconds, RECEIVE_LIMIT - 0.5)
            start.assert_one_error_line()

    def test_a_trickling_transfer_ends_at_the_whole_transfer_limit(self):
        # A byte every 20 s never lets the receive limit run out; the whole file would take
        # half an hour. What arrives names a newer version; none of it is used or kept.
        with Start(self, version_file("9.0.0.0"), ["--trickle", "20"]) as start:
            start.start()
            seconds = start.end_at_main_window(TRANSFER_LIMIT + START_SLACK)
            self.assertGreaterEqual(seconds, TRANSFER_LIMIT - 0.5)
            self.assertIn("RETR /Nolva Client/Version.ini", start.server.commands())
            self.assertFalse(os.path.lexists(start.path(".Version.ini.download")))
            start.assert_one_error_line()

    def test_a_data_connection_dropped_halfway_is_a_failed_fetch(self):
        content = version_file("9.0.0.0") + b";" + b"x" * 200000 + b"\r\n"
        with Start(self, content, ["--drop-data"]) as start:
            start.start()
            seconds = start.end_at_main_window(START_SLACK)
            self.assertLess(seconds, START_SLACK)
            self.assertIn("RETR /Nolva Client/Version.ini", start.server.commands())
            start.assert_quiet_stdout()


def make_chain(top, names, file_name):
    """Folders named names, each inside the one before, beneath top, with a file in each; made
    through folder handles, so the chain may reach beyond the system's path length limit."""
    fd = os.open(top, os.O_RDONLY | os.O_DIRECTORY)
    try:
        for name in names:
            os.mkdir(name, dir_fd=fd)
            inner = os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
            os.close(fd)
            fd = inner
            file_fd = os.open(file_name, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644, dir_fd=fd)
            os.write(file_fd, b"cached")
            os.close(file_fd)
    finally:
        os.close(fd)


class HostileCacheFolderTest(unittest.TestCase):
    def test_twenty_levels_of_names_at_the_length_limit_leave_the_rest_to_be_removed(self):
        with Start(self, version_file("1.1.1173.0")) as start:
            cache = start.path("Nolva Client")
            os.makedirs(cache)
            # 255 bytes, the longest name a folder entry may have, in two-byte characters.
            long_names = [("\u00e9" * 127 + chr(ord("a") + level)) for level in range(20)]
            make_chain(cache, long_names, "f" * 255)
            make_chain(cache, [f"d{level}" for level in range(20)], "cached.bin")
            with open(os.path.join(cache, "small.bin"), "wb") as small:
                small.write(b"cached")
            start.start()
            start.end_at_main_window(START_SLACK)

            after = snapshot(cache)
            # Too long to walk: the whole chain stays, down to its deepest file, and so does
            # the cache folder; the rest of it is removed.
            deepest = os.path.join(*long_names, "f" * 255)
            self.assertEqual(after[deepest][0], "file")
            self.assertEqual(sorted(after), sorted(
                os.path.join(*long_names[:level + 1], *(["f" * 255] if with_file else []))
                for level in range(20) for with_file in (False, True)))
            start.assert_quiet_stdout()

    def test_a_link_to_the_home_folder_is_removed_as_a_link(self):
        with Start(self, version_file("1.1.1173.0")) as start:
            home = start.install.home
            os.makedirs(os.path.join(home, "Documents"))
            for name, text in (("Documents/letter.txt", "Dear"), (".profile", "umask 022")):
                with open(os.path.join(home, name), "w") as file:
                    file.write(text)
            cache = start.path("Nolva Client")
            os.makedirs(os.path.join(cache, "sub"))
            os.symlink(home, os.path.join(cache, "home"))
            os.symlink(home, os.path.join(cache, "sub", "home again"))
            start.start()
            start.end_at_main_window(START_SLACK)
            self.assertFalse(os.path.lexists(cache))
            with open(os.path.join(home, "Documents", "letter.txt")) as letter:
                self.assertEqual(letter.read(), "Dear")
            start.assert_quiet_stdout()


if __name__ == "__main__":
    unittest.main()
