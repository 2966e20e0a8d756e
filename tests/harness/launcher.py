"""The real launcher, installed into a folder of its own and started as a user would start it."""

import os
import shutil
import subprocess
import tempfile

TITLE = "Nolva Client 1"


class CapturedOutput:
    """The launcher's standard output and error, kept in the files at stdout_path and
    stderr_path, which the class that mixes this in sets."""

    def stdout(self):
        with open(self.stdout_path, "rb") as out:
            return out.read()

    def stderr(self):
        with open(self.stderr_path, "rb") as err:
            return err.read().decode("utf-8", "replace")


class Installation(CapturedOutput):
    """A copy of the built launcher in a program folder (its name has blanks) beside an optional
    login page, with an application-data folder and a home of its own."""

    def __init__(self, folder_name="Nolva Client Program"):
        self._root = tempfile.TemporaryDirectory(prefix="quillbeck-window-")
        self.root = self._root.name
        self.program_folder = os.path.join(self.root, folder_name)
        self.home = os.path.join(self.root, "home")
        self.config_home = os.path.join(self.root, "config home")
        for folder in (self.program_folder, self.home, self.config_home):
            os.makedirs(folder)
        self.executable = os.path.join(self.program_folder, "Quillbeck")
        shutil.copy2(os.environ["QUILLBECK_EXE"], self.executable)
        self.stdout_path = os.path.join(self.root, "stdout.txt")
        self.stderr_path = os.path.join(self.root, "stderr.txt")

    def write_login_page(self, html):
        folder = os.path.join(self.program_folder, "new-trunk")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "login.html"), "w", encoding="utf-8") as page:
            page.write(html)

    def env(self, display=None, **extra):
        env = {key: value for key, value in os.environ.items()
               if key not in ("DISPLAY", "WAYLAND_DISPLAY", "XDG_CONFIG_HOME")}
        env["HOME"] = self.home
        env["XDG_CONFIG_HOME"] = self.config_home
        env["NO_AT_BRIDGE"] = "1"
        # The graphics library keeps its shader cache in the account's home from the password
        # database, whatever HOME says: a test must not write there.
        env["MESA_SHADER_CACHE_DISABLE"] = "true"
        if display is not None:
            env["DISPLAY"] = display.name
        env.update(extra)
        return env

    def start(self, display=None, **extra_env):
        """Starts the launcher from the program folder's parent, as a desktop shortcut would."""
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            return subprocess.Popen([self.executable], cwd=self.root,
                                    env=self.env(display, **extra_env), stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=err)

    def cleanup(self):
        self._root.cleanup()


def stop(process, timeout=10):
    """Ends a launcher that a test left running."""
    if process.poll() is None:
        process.kill()
    process.wait(timeout=timeout)
