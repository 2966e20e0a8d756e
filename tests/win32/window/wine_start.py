"""Whole starts of the real Quillbeck.exe under Wine: the Wine prefix of the test run, the program
folder (its name has blanks) with a cross-built stand-in updater, the application-data folder
inside the prefix, and the update server on the build's fixed port; all ended when the `with`
block ends.

The windows of a Wine program are X windows of the started process (its _NET_WM_PID is the pid
of the `wine` process the test started), so the Linux harness (display.py, x11.py, ftp_server.py)
drives them as it is.

A module that uses it binds the update server's port, so it carries the line
"# ctest-resource-lock: update_server"."""

import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from ftp_server import FtpServer
from launcher import CapturedOutput, stop
from start_base import StartBase
from x11 import X11

UPDATE_PORT = int(os.environ.get("QUILLBECK_UPDATE_PORT", "2121"))
SOURCE_ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
WINE_RUN = os.path.join(SOURCE_ROOT, "tools", "wine-run.sh")
WINE_ENV = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "winemenubuilder.exe=d"}


def dos_path(path):
    """The Windows name of an absolute Linux path (Wine maps / to drive Z:)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class WinePrefix:
    """The Wine prefix that programs run in: the test run's (tools/wine-run.sh --session exports
    WINEPREFIX and HOME), or, when a module runs alone, one made for the module and removed after
    it. Wine refuses neither, so tools/wine-run.sh checks that both are temporary folders."""

    def __init__(self):
        self._own = None
        given = os.environ.get("WINEPREFIX", "")
        if given and os.path.isfile(os.path.join(given, "system.reg")):
            self.path = given
            self.home = os.environ["HOME"]
        else:
            self._own = tempfile.TemporaryDirectory(prefix="quillbeck-wine-")
            self.path = os.path.join(self._own.name, "prefix")
            self.home = os.path.join(self._own.name, "home")
            os.makedirs(self.home)
            subprocess.run(["wineboot", "-i"], env=self.env(), stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=True, timeout=120)
            subprocess.run(["wineserver", "-w"], env=self.env(), check=True, timeout=120)
        self.appdata = self._find_appdata()

    def _find_appdata(self):
        # The prefix's one user (the Linux account's name) beside "Public".
        users = os.path.join(self.path, "drive_c", "users")
        names = [name for name in os.listdir(users) if name != "Public"]
        if len(names) != 1:
            raise RuntimeError(f"cannot tell the prefix's user among {names}")
        appdata = os.path.join(users, names[0], "AppData", "Roaming")
        os.makedirs(appdata, exist_ok=True)
        return appdata

    def env(self, display=None, **extra):
        env = {key: value for key, value in os.environ.items()
               if key not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(WINE_ENV)
        env["WINEPREFIX"] = self.path
        env["HOME"] = self.home
        for name, folder in (("XDG_CACHE_HOME", ".cache"), ("XDG_CONFIG_HOME", ".config"),
                             ("XDG_DATA_HOME", ".local/share"),
                             ("XDG_STATE_HOME", ".local/state")):
            env[name] = os.path.join(self.home, folder)
        if display is not None:
            env["DISPLAY"] = display.name
        env.update(extra)
        return env

    def close(self):
        if self._own is None:
            return
        # The prefix's own server outlives its programs; end it before its folder goes.
        subprocess.run(["wineserver", "-k"], env=self.env(), stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env(), stderr=subprocess.DEVNULL)
        self._own.cleanup()


def module_prefix():
    """The prefix of one test module, from its setUpModule."""
    prefix = WinePrefix()
    unittest.addModuleCleanup(prefix.close)
    return prefix


class WineStart(StartBase, CapturedOutput):
    """One start of Quillbeck.exe: the program folder "Nolva Client Program" (with Update.exe, a
    stand-in, unless updater is false) in a temporary folder, the server holding version_ini as
    /Nolva Client/Version.ini (no file for None; with serve false no server listens).

    The application-data folder belongs to the prefix, which the module's starts share: the
    launcher's names there are cleared before and after each start."""

    APP_DATA_NAMES = ("Version.ini", "Nolva Client")

    def __init__(self, test, display, prefix, version_ini=None, serve=True, updater=True):
        self.test = test
        self.display = display
        self.prefix = prefix
        self.x = X11(display)
        super().__init__()
        self._root = tempfile.TemporaryDirectory(prefix="quillbeck-wine-window-")
        self.add_cleanup(self._root.cleanup)
        self.root = self._root.name
        self.program_folder = os.path.join(self.root, "Nolva Client Program")
        os.makedirs(os.path.join(self.program_folder, "new-trunk"))
        with open(os.path.join(self.program_folder, "new-trunk", "login.html"), "w") as page:
            page.write("<!DOCTYPE html><title>Login</title>\n")
        self.executable = os.path.join(self.program_folder, "Quillbeck.exe")
        shutil.copy2(os.environ["QUILLBECK_EXE"], self.executable)
        self.updater = os.path.join(self.program_folder, "Update.exe")
        if updater:
            shutil.copy2(os.environ["QUILLBECK_WINDOWS_STAND_IN"], self.updater)
        self.record = os.path.join(self.root, "stand-in record.jsonl")
        self.stdout_path = os.path.join(self.root, "stdout.txt")
        self.stderr_path = os.path.join(self.root, "stderr.txt")

        self._clear_app_data()
        self.add_cleanup(self._clear_app_data)

        self.server_root = os.path.join(self.root, "server")
        os.makedirs(os.path.join(self.server_root, "Nolva Client"))
        if version_ini is not None:
            with open(os.path.join(self.server_root, "Nolva Client", "Version.ini"), "wb") as ini:
                ini.write(version_ini.encode("utf-8") if isinstance(version_ini, str)
                          else version_ini)
        self.server = None
        if serve:
            self.server = FtpServer(self.server_root, port=UPDATE_PORT).__enter__()
            self.add_cleanup(lambda: self.server.__exit__(None, None, None))
        self.process = None
        self.started_at = None

    def _clear_app_data(self):
        for name in self.APP_DATA_NAMES:
            path = self.path(name)
            if os.path.isdir(path) and not os.path.islink(path):
                shutil.rmtree(path)
            elif os.path.lexists(path):
                os.remove(path)

    def path(self, name):
        """A path in the application-data folder (the prefix's user's AppData\\Roaming)."""
        return os.path.join(self.prefix.appdata, name)

    def _env(self):
        return self.prefix.env(self.display, QUILLBECK_STAND_IN_RECORD=dos_path(self.record))

    def start(self):
        """Starts the launcher under Wine from the program folder's parent, as a shortcut
        would; it is stopped, if still running, at the end."""
        self.started_at = time.monotonic()
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen([WINE_RUN, self.executable], cwd=self.root,
                                            env=self._env(), stdin=subprocess.DEVNULL,
                                            stdout=out, stderr=err)
        process = self.process
        self.add_cleanup(lambda: stop(process))
        return process

    def keep_running(self, folder, name):
        """A stand-in copy named name in folder, started in the same prefix, which stays until
        this start ends; returned once it runs."""
        os.makedirs(folder, exist_ok=True)
        copy = os.path.join(folder, name)
        shutil.copy2(os.environ["QUILLBECK_WINDOWS_STAND_IN"], copy)
        running = subprocess.Popen([WINE_RUN, copy, "--stay"], cwd=folder, env=self._env(),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.add_cleanup(lambda: stop(running))
        seen = self.x.wait_until(
            lambda: [r for r in self.stand_ins() if r["exe"].lower() == dos_path(copy).lower()],
            timeout=30)
        # The record is written once it runs: the process is in the prefix's list by now.
        self.test.assertTrue(seen, f"the stand-in {name} did not start")
        return running

    def stand_ins(self):
        """The records of the stand-ins started so far, in order."""
        if not os.path.exists(self.record):
            return []
        with open(self.record, encoding="utf-8", errors="replace") as record:
            return [json.loads(line) for line in record if line.strip()]

    def elapsed(self):
        return time.monotonic() - self.started_at

    def describe(self):
        """What the launcher and the server did so far, for a failure message."""
        state = self.process.poll() if self.process is not None else "not started"
        commands = self.server.commands() if self.server is not None else []
        return (f"launcher {'running' if state is None else f'ended with {state}'} after "
                f"{self.elapsed():.1f} s; server received {commands}; stdout: "
                f"{self.stdout()!r}; stderr:\n{self.stderr()}")

    def wait_for(self, title, limit=40):
        return super().wait_for(title, limit)

    def wait_for_prompt(self):
        prompt = self.wait_for("Update")
        self.x.activate(prompt)
        return prompt

    def assert_quiet_stdout(self):
        self.test.assertEqual(self.stdout(), b"", self.describe())

    def assert_one_error_line(self):
        """Standard output holds exactly one line, and it reports an error."""
        lines = self.stdout().decode("utf-8", "replace").splitlines()
        self.test.assertEqual(len(lines), 1, f"stdout lines: {lines}")
        self.test.assertTrue(lines[0].startswith("ERROR!  "), f"stdout lines: {lines}")
