"""A private X display with a window manager: Xvfb and openbox, started and stopped by a test."""

import os
import subprocess
import tempfile
import time

SCREEN_WIDTH = 1920
SCREEN_HEIGHT = 1080


class Display:
    """Starts Xvfb on a free display number and openbox on it; use as a context manager."""

    def __init__(self):
        self.name = None
        self._xvfb = None
        self._wm = None
        self._logs = tempfile.TemporaryDirectory(prefix="quillbeck-display-")

    def env(self, **extra):
        env = dict(os.environ)
        env["DISPLAY"] = self.name
        env.update(extra)
        return env

    def __enter__(self):
        read_end, write_end = os.pipe()
        with open(os.path.join(self._logs.name, "xvfb.log"), "w") as log:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                 f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=log)
        os.close(write_end)
        with os.fdopen(read_end) as announced:
            number = announced.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number
        # The window manager keeps its own log and settings in a home of its own.
        wm_home = os.path.join(self._logs.name, "home")
        os.makedirs(wm_home, exist_ok=True)
        wm_env = self.env(HOME=wm_home, XDG_CACHE_HOME=os.path.join(wm_home, ".cache"),
                          XDG_CONFIG_HOME=os.path.join(wm_home, ".config"),
                          XDG_DATA_HOME=os.path.join(wm_home, ".local", "share"),
                          XDG_STATE_HOME=os.path.join(wm_home, ".local", "state"))
        with open(os.path.join(self._logs.name, "openbox.log"), "w") as log:
            self._wm = subprocess.Popen(["openbox"], env=wm_env, stdout=subprocess.DEVNULL,
                                        stderr=log)
        self._wait_for_window_manager()
        return self

    def _wait_for_window_manager(self, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            probe = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env(),
                                   capture_output=True, text=True)
            if "window id" in probe.stdout:
                return
            time.sleep(0.1)
        raise RuntimeError("the window manager did not start")

    def __exit__(self, *exc):
        for process in (self._wm, self._xvfb):
            if process is not None and process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self._logs.cleanup()
        return False


def module_display():
    """A display shared by one test module's tests, stopped once they have all run; call it from
    the module's setUpModule."""
    import unittest

    display = Display().__enter__()
    unittest.addModuleCleanup(display.__exit__, None, None, None)
    return display
