"""One whole start of the real launcher: its installation with the test login page, the page's
reports and the update server on the build's fixed port, all ended when the `with` block ends.

A module that uses it binds that port, so it carries the line "# ctest-resource-lock:
update_server"."""

import os

from ftp_server import FtpServer
from launcher import Installation, stop
from page_reports import PageReports
from x11 import X11

UPDATE_PORT = int(os.environ.get("QUILLBECK_UPDATE_PORT", "2121"))


class WholeStart:
    """The installation, reports and server of one start; start() then starts the launcher.

    version_ini (bytes or text, None for no file) is what the server holds as
    /Nolva Client/Version.ini; faults are the server's fault options; with serve false no server
    listens at all."""

    def __init__(self, test, display, version_ini=None, faults=(), serve=True):
        self.test = test
        self.display = display
        self.x = X11(display)
        self._cleanups = []
        self.install = Installation()
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

    def add_cleanup(self, cleanup):
        """Runs cleanup when the `with` block ends, before the cleanups added earlier."""
        self._cleanups.append(cleanup)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        for cleanup in reversed(self._cleanups):
            cleanup()
        return False

    def path(self, name):
        """A path in the application-data folder."""
        return os.path.join(self.install.config_home, name)

    def start(self, **extra_env):
        """Starts the launcher on the display; it is stopped, if still running, at the end."""
        self.process = self.install.start(self.display, **extra_env)
        process = self.process
        self.add_cleanup(lambda: stop(process))
        return process

    def assert_quiet_stdout(self):
        self.test.assertEqual(self.install.stdout(), b"")
