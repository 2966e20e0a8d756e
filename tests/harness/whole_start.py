"""One whole start of the real launcher: its installation with the test login page, the page's
reports and the update server on the build's fixed port, all ended when the `with` block ends.

A module that uses it binds that port, so it carries the line "# ctest-resource-lock:
update_server"."""

import hashlib
import os
import stat
import subprocess
import time

from ftp_server import FtpServer
from launcher import Installation, stop
from page_reports import PageReports
from start_base import StartBase
from x11 import X11

UPDATE_PORT = int(os.environ.get("QUILLBECK_UPDATE_PORT", "2121"))
MEBIBYTE = 1024 * 1024


def snapshot(root):
    """Every entry under root, links not followed, even beyond the system's path length limit:
    relative path -> what it is (files by content, links by target, folders by mode)."""
    entries = {}
    for folder, folders, files, folder_fd in os.fwalk(root, follow_symlinks=False):
        relative_folder = os.path.relpath(folder, root)
        for name in folders + files:
            relative = os.path.normpath(os.path.join(relative_folder, name))
            info = os.stat(name, dir_fd=folder_fd, follow_symlinks=False)
            if stat.S_ISLNK(info.st_mode):
                entries[relative] = ("link", os.readlink(name, dir_fd=folder_fd))
            elif stat.S_ISDIR(info.st_mode):
                entries[relative] = ("folder", info.st_mode)
            elif stat.S_ISREG(info.st_mode):
                digest = hashlib.sha256()
                fd = os.open(name, os.O_RDONLY, dir_fd=folder_fd)
                with os.fdopen(fd, "rb") as content:
                    for block in iter(lambda: content.read(MEBIBYTE), b""):
                        digest.update(block)
                entries[relative] = ("file", info.st_mode, info.st_mtime_ns, digest.hexdigest())
            else:
                entries[relative] = ("other", info.st_mode)
    return entries


class WholeStart(StartBase):
    """The installation, reports and server of one start; start() then starts the launcher.

    version_ini (bytes or text, None for no file) is what the server holds as
    /Nolva Client/Version.ini; faults are the server's fault options; with serve false no server
    listens at all. install_folder names the program folder (it may hold separators)."""

    def __init__(self, test, display, version_ini=None, faults=(), serve=True,
                 install_folder=None):
        self.test = test
        self.display = display
        self.x = X11(display)
        super().__init__()
        self.install = Installation() if install_folder is None else Installation(install_folder)
        self.add_cleanup(self.install.cleanup)
        self.reports = PageReports().__enter__()
        self.add_cleanup(lambda: self.reports.__exit__(None, None, None))
        self.install.write_login_page(self.reports.page())
        self.server_root = os.path.join(self.install.root, "server")
        os.makedirs(os.path.join(self.server_root, "Nolva Client"))
        if version_ini is not None:
            if isinstance(version_ini, str):
                version_ini = version_ini.encode("utf-8")
            with open(os.path.join(self.server_root, "Nolva Client", "Version.ini"), "wb") as ini:
                ini.write(version_ini)
        self.server = None
        if serve:
            self.server = FtpServer(self.server_root, port=UPDATE_PORT, faults=faults).__enter__()
            self.add_cleanup(lambda: self.server.__exit__(None, None, None))
        self.process = None
        self.started_at = None

    def path(self, name):
        """A path in the application-data folder."""
        return os.path.join(self.install.config_home, name)

    def start(self, wrapper=(), umask=None, **extra_env):
        """Starts the launcher on the display; it is stopped, if still running, at the end.

        wrapper is a command that ends by executing the launcher (its path is appended) in
        the same process, so that the window still carries the started process's id; umask is
        the launcher's file-creation mask."""
        self.started_at = time.monotonic()
        if not wrapper and umask is None:
            self.process = self.install.start(self.display, **extra_env)
        else:
            install = self.install
            with open(install.stdout_path, "wb") as out, open(install.stderr_path, "wb") as err:
                self.process = subprocess.Popen(
                    list(wrapper) + [install.executable], cwd=install.root,
                    env=install.env(self.display, **extra_env), stdin=subprocess.DEVNULL,
                    stdout=out, stderr=err, umask=-1 if umask is None else umask)
        process = self.process
        self.add_cleanup(lambda: stop(process))
        return process

    def elapsed(self):
        """Seconds since the start."""
        return time.monotonic() - self.started_at

    def describe(self):
        """What the launcher and the server did so far, for a failure message."""
        state = self.process.poll() if self.process is not None else "not started"
        commands = self.server.commands() if self.server is not None else []
        connections = self.server.connections() if self.server is not None else 0
        return (f"launcher {'running' if state is None else f'ended with {state}'} after "
                f"{self.elapsed():.1f} s; server accepted {connections} connection(s), received "
                f"{commands}; stdout: {self.install.stdout()!r}; stderr:\n{self.install.stderr()}")

    def assert_quiet_stdout(self):
        self.test.assertEqual(self.install.stdout(), b"")

    def assert_one_error_line(self):
        """Standard output holds exactly one line, and it reports an error."""
        lines = self.install.stdout().decode("utf-8", "replace").splitlines()
        self.test.assertEqual(len(lines), 1, f"stdout lines: {lines}")
        self.test.assertTrue(lines[0].startswith("ERROR!  "), f"stdout lines: {lines}")
