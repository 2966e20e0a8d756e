"""Whole starts of the real launcher at the limits of its update check: one connection try, the
download's temporary name, a restrictive umask, kernel threads in the process list, and folders
and an executable whose paths are longer than the application-data and module name buffers."""
# ctest-resource-lock: update_server

import os
import shutil
import subprocess
import tempfile
import unittest
import urllib.parse

from display import module_display
from launcher import TITLE
from whole_start import WholeStart

OWN_VERSION = "1.1.1173.0"
DOWNLOAD_NAME = ".Version.ini.download"
# Seconds: start-up to the main window, the toolkit's and the web view's set-up included, under
# the sanitizers too.
START_SLACK = 20
# More than the toolkit's start varies from one start to the next, less than the second
# connection try (1 s back-off, then the try) that the launcher no longer makes.
RETRY_MARGIN = 1.0
# The longest path the application-data and module-name buffers hold, without their NUL.
PATH_LIMIT = 259

display = None


def setUpModule():
    global display
    display = module_display()


def version_file(version=OWN_VERSION, file_name="NolvaClient.exe"):
    return f"[Version Info]\r\nVersion={version}\r\nFileName={file_name}\r\n"


def long_folder(parent, length, letter):
    """Makes and returns a folder below parent whose path is at least length bytes long, in
    names of at most 100 bytes."""
    path = parent
    while len(path.encode()) < length:
        path = os.path.join(path, letter * 100)
    os.makedirs(path)
    return path


class Start(WholeStart):
    """A whole start with a runtime folder of its own, which ends at the main window."""

    def __init__(self, test, version_ini=None, faults=(), serve=True, install_folder=None):
        super().__init__(test, display, version_ini, faults, serve, install_folder)
        # Without a runtime folder the settings layer under the toolkit writes into the home.
        runtime = tempfile.TemporaryDirectory(prefix="quillbeck-runtime-")
        self.add_cleanup(runtime.cleanup)
        self.runtime_folder = runtime.name

    def start(self, wrapper=(), umask=None, **extra_env):
        extra_env.setdefault("XDG_RUNTIME_DIR", self.runtime_folder)
        return super().start(wrapper, umask, **extra_env)

    def end_at_main_window(self, limit=START_SLACK):
        """Waits for the main window and its login page's load, closes the window as the user
        would and checks that the launcher ended normally. Returns the seconds to the window and
        the load report."""
        window = self.wait_for(TITLE, limit)
        seconds = self.elapsed()
        loaded = self.reports.wait_for(lambda r: r.get("type") == "load")
        self.test.assertIsNotNone(loaded, f"the login page never loaded; {self.describe()}")
        self.test.assertIsNone(self.x.find_window("Update", pid=self.process.pid, timeout=0.1))
        self.test.assertEqual(self.x.title(window), TITLE)
        self.x.close(window)
        self.test.assertEqual(self.process.wait(timeout=20), 0)
        return seconds, loaded


class PrivateRoot:
    """A root folder of the launcher's own: a private mount namespace in which "/" is an overlay
    on the real root, whose changes land in an upper folder that the test reads. Whatever the
    launcher does to "/" there, the real root stays as it was; /dev, /proc, /sys, /tmp and the
    installation are the real ones."""

    SCRIPT = r'''
set -e
base=$1 installation=$2
shift 2
mount -t overlay overlay -o "lowerdir=/,upperdir=$base/upper,workdir=$base/work" "$base/root"
for folder in /dev /proc /sys /tmp "$installation"; do
    mount --rbind "$folder" "$base/root$folder"
done
exec chroot "$base/root" /bin/sh -c 'cd "$1" && shift && exec "$@"' sh "$installation" "$@"
'''

    def __init__(self, installation_root):
        self._base = tempfile.mkdtemp(prefix="quillbeck-root-", dir=self._scratch())
        for name in ("upper", "work", "root"):
            os.mkdir(os.path.join(self._base, name))
        self.upper = os.path.join(self._base, "upper")
        self.wrapper = ["unshare", "--mount", "--propagation", "private", "/bin/sh", "-c",
                        self.SCRIPT, "sh", self._base, installation_root]

    @staticmethod
    def _scratch():
        # The upper folder must lie on another file system than the root it covers.
        return "/dev/shm" if os.path.isdir("/dev/shm") else None

    def works(self):
        """Whether this system lets the test make one (privileges, overlay support)."""
        probe = subprocess.run(self.wrapper + ["/bin/true"], capture_output=True, timeout=30)
        return probe.returncode == 0

    def cleanup(self):
        shutil.rmtree(self._base, ignore_errors=True)


def private_root(test, start):
    """A PrivateRoot for the start, removed at its end; the test is skipped where none can be
    made, as it would otherwise risk the real root folder."""
    root = PrivateRoot(start.install.root)
    start.add_cleanup(root.cleanup)
    if not root.works():
        test.skipTest("no private mount namespace with an overlay on / (needs unshare and "
                      "overlayfs privileges); the real root folder is not risked instead")
    return root


def plant_cache_folder(folder):
    """A cache folder "Nolva Client" with a file in it, below folder."""
    os.makedirs(os.path.join(folder, "Nolva Client"))
    with open(os.path.join(folder, "Nolva Client", "kept.txt"), "w") as kept:
        kept.write("cached")


def kernel_thread_named_with_a_slash():
    """(pid, name) of a kernel thread whose name holds "/" and whose executable cannot be read,
    a persistent rescuer thread by preference; None when none is visible."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/comm", "rb") as comm:
                name = comm.read().rstrip(b"\n").decode("utf-8", "replace")
        except OSError:
            continue
        if "/" not in name:
            continue
        try:
            os.readlink(f"/proc/{entry}/exe")
            continue
        except OSError:
            pass
        found.append((not name.startswith("kworker/R-"), int(entry), name))
    return min(found)[1:] if found else None


def thread_name(pid):
    try:
        with open(f"/proc/{pid}/comm", "rb") as comm:
            return comm.read().rstrip(b"\n").decode("utf-8", "replace")
    except OSError:
        return None


class ConnectionTryTest(unittest.TestCase):
    def test_a_refused_connection_is_not_tried_again(self):
        def seconds_to_main_window(serve):
            with Start(self, version_file(), serve=serve) as start:
                start.start()
                seconds, _ = start.end_at_main_window()
                if serve:
                    start.assert_quiet_stdout()
                else:
                    start.assert_one_error_line()
                return seconds

        # Equal-version and refused starts in turn; a busy machine only ever slows a start, so
        # the fastest of each kind are compared.
        equal, refused = [], []
        for _ in range(2):
            equal.append(seconds_to_main_window(True))
            refused.append(seconds_to_main_window(False))
        self.assertLess(min(refused), min(equal) + RETRY_MARGIN,
                        f"to the main window, refused: {[round(s, 2) for s in refused]} s, "
                        f"equal version: {[round(s, 2) for s in equal]} s")

    def test_a_server_that_closes_at_once_gets_one_connection(self):
        with Start(self, version_file("9.0.0.0"), ["--accept-and-close"]) as start:
            start.start()
            start.end_at_main_window()
            self.assertEqual(start.server.connections(), 1, "the connection was tried again")
            start.assert_one_error_line()


class LocalCopyTest(unittest.TestCase):
    def test_a_download_left_by_a_killed_start_is_removed_by_the_next_fetch(self):
        with Start(self, version_file()) as start:
            leftover = start.path(DOWNLOAD_NAME)
            with open(leftover, "wb") as partial:
                partial.write(version_file("9.0.0.0").encode()[:20])
            start.start()
            start.end_at_main_window()
            self.assertIn("RETR /Nolva Client/Version.ini", start.server.commands())
            self.assertFalse(os.path.lexists(leftover), "the earlier start's download stayed")
            self.assertFalse(os.path.lexists(start.path("Version.ini")))
            start.assert_quiet_stdout()

    def test_under_umask_0277_the_local_copy_is_still_deleted(self):
        with Start(self, version_file()) as start:
            start.start(umask=0o277)
            start.end_at_main_window()
            self.assertIn("RETR /Nolva Client/Version.ini", start.server.commands())
            self.assertEqual(sorted(os.listdir(start.install.config_home)), [],
                             "the application-data folder kept what the fetch wrote")
            start.assert_quiet_stdout()


class RunningProcessTest(unittest.TestCase):
    def test_a_kernel_thread_named_by_the_file_does_not_end_the_start(self):
        thread = kernel_thread_named_with_a_slash()
        if thread is None:
            self.skipTest("no kernel thread whose name holds '/' is visible in /proc")
        pid, name = thread
        with Start(self, version_file(file_name=name)) as start:
            start.start()
            try:
                start.end_at_main_window()
            except self.failureException:
                if thread_name(pid) != name:
                    self.skipTest(f"kernel thread {pid} {name!r} changed its name during the start")
                raise
            self.assertIn("RETR /Nolva Client/Version.ini", start.server.commands())
            start.assert_quiet_stdout()


class PathLimitTest(unittest.TestCase):
    def test_without_an_application_data_folder_nothing_is_fetched_written_or_removed(self):
        with Start(self, version_file()) as start:
            root = private_root(self, start)
            # Where a fallback to the root folder would write and remove.
            plant_cache_folder(root.upper)
            config_home = long_folder(start.install.config_home, PATH_LIMIT + 40, "c")
            home = long_folder(start.install.home, PATH_LIMIT + 40, "h")
            plant_cache_folder(config_home)
            start.start(root.wrapper, XDG_CONFIG_HOME=config_home, HOME=home)
            start.end_at_main_window()
            self.assertEqual(start.server.connections(), 0, "an FTP connection was made")
            self.assertEqual(sorted(os.listdir(root.upper)), ["Nolva Client"],
                             "the launcher changed the root folder")
            self.assertEqual(os.listdir(os.path.join(root.upper, "Nolva Client")), ["kept.txt"])
            self.assertEqual(sorted(os.listdir(config_home)), ["Nolva Client"])
            self.assertTrue(os.path.isfile(os.path.join(config_home, "Nolva Client", "kept.txt")))
            self.assertFalse(os.path.lexists(os.path.join(home, ".config", "Version.ini")))
            start.assert_quiet_stdout()

    def test_an_over_long_config_home_falls_back_to_the_home_config_folder(self):
        with Start(self, version_file()) as start:
            root = private_root(self, start)
            plant_cache_folder(root.upper)
            config_home = long_folder(start.install.config_home, PATH_LIMIT + 40, "c")
            fallback = os.path.join(start.install.home, ".config")
            plant_cache_folder(fallback)
            with open(os.path.join(fallback, "Version.ini"), "w") as old:
                old.write(version_file("9.0.0.0"))
            start.start(root.wrapper, XDG_CONFIG_HOME=config_home)
            start.end_at_main_window()
            self.assertEqual(start.server.connections(), 1)
            self.assertFalse(os.path.lexists(os.path.join(fallback, "Version.ini")),
                             "the old local copy in $HOME/.config stayed")
            self.assertFalse(os.path.lexists(os.path.join(fallback, "Nolva Client")),
                             "the cache folder in $HOME/.config stayed")
            self.assertEqual(sorted(os.listdir(root.upper)), ["Nolva Client"],
                             "the launcher changed the root folder")
            self.assertEqual(os.listdir(os.path.join(root.upper, "Nolva Client")), ["kept.txt"])
            self.assertEqual(os.listdir(config_home), [])
            start.assert_quiet_stdout()

    def test_an_executable_beyond_the_path_limit_loads_its_own_login_page(self):
        # Nested, as no one folder name may be longer than 255 bytes.
        folder = os.path.join("p" * 100, "q" * 100, "r" * 100, "Nolva Client Program")
        with Start(self, version_file(), install_folder=folder) as start:
            self.assertGreater(len(start.install.executable.encode()), PATH_LIMIT)
            start.start()
            _, loaded = start.end_at_main_window()
            url = urllib.parse.urlsplit(loaded["href"])
            self.assertEqual(url.scheme, "file")
            self.assertEqual(urllib.parse.unquote(url.path),
                             os.path.join(start.install.program_folder, "new-trunk", "login.html"))
            self.assertEqual(loaded["search"], "?ParlomaxLogin")
            start.assert_quiet_stdout()


if __name__ == "__main__":
    unittest.main()
