"""Looking at and acting on real windows: xdotool, xprop, wmctrl and ImageMagick's import."""

import re
import subprocess
import threading
import time


class X11:
    def __init__(self, display):
        self.display = display

    def run(self, *args, check=True):
        result = subprocess.run(list(args), env=self.display.env(), capture_output=True, text=True)
        if check and result.returncode != 0:
            raise RuntimeError(f"{args[0]} failed: {result.stderr.strip()}")
        return result.stdout

    # Finding windows

    def find_window(self, title, timeout=30, pid=None):
        """The id of the visible window with exactly this title (of that process, if given)."""
        deadline = time.monotonic() + timeout
        pattern = "^" + re.escape(title) + "$"
        while time.monotonic() < deadline:
            args = ["xdotool", "search", "--onlyvisible", "--name", pattern]
            if pid is not None:
                args[2:2] = ["--all", "--pid", str(pid)]
            found = self.run(*args, check=False).split()
            if found:
                return int(found[0])
            time.sleep(0.1)
        return None

    def watch_windows(self, pid, interval=0.05):
        """A WindowWatch of the process's windows; use it as a context manager."""
        return WindowWatch(self, pid, interval)

    def managed_windows(self):
        """(pid, title) of every window the window manager manages."""
        found = []
        for line in self.run("wmctrl", "-lp", check=False).splitlines():
            fields = line.split(None, 4)
            if len(fields) >= 3 and fields[2].isdigit():
                found.append((int(fields[2]), fields[4] if len(fields) == 5 else ""))
        return found

    def window_exists(self, window):
        return subprocess.run(["xdotool", "getwindowname", str(window)], env=self.display.env(),
                              capture_output=True).returncode == 0

    # Properties

    def prop(self, window, name, fmt=None):
        args = ["xprop", "-id", str(window), "-notype"]
        if fmt:
            args += ["-f", name, fmt]
        args.append(name)
        return self.run(*args, check=False)

    def title(self, window):
        return self.run("xdotool", "getwindowname", str(window)).strip()

    def wm_state(self, window):
        """The atoms of _NET_WM_STATE."""
        text = self.prop(window, "_NET_WM_STATE")
        return set(re.findall(r"_NET_WM_STATE_\w+", text))

    def allowed_actions(self, window):
        text = self.prop(window, "_NET_WM_ALLOWED_ACTIONS")
        return set(re.findall(r"_NET_WM_ACTION_\w+", text))

    def motif_functions(self, window):
        """The window manager functions that the window's _MOTIF_WM_HINTS ask for."""
        text = self.prop(window, "_MOTIF_WM_HINTS")
        values = [int(v, 16) for v in re.findall(r"0x[0-9a-fA-F]+", text)]
        if len(values) < 2 or not values[0] & 1:
            return {"all"}
        names = {2: "resize", 4: "move", 8: "minimize", 16: "maximize", 32: "close"}
        if values[1] & 1:
            return {"all"}
        return {name for bit, name in names.items() if values[1] & bit}

    def icons(self, window):
        """The images of _NET_WM_ICON as (width, height, [ARGB values])."""
        text = self.prop(window, "_NET_WM_ICON", "32c")
        numbers = [int(n) for n in re.findall(r"\d+", text.split("=", 1)[1])] if "=" in text else []
        images = []
        while len(numbers) >= 2:
            width, height = numbers[0], numbers[1]
            pixels = numbers[2:2 + width * height]
            images.append((width, height, pixels))
            numbers = numbers[2 + width * height:]
        return images

    def frame_extents(self, window):
        """left, right, top, bottom of the window manager's frame."""
        text = self.prop(window, "_NET_FRAME_EXTENTS")
        numbers = [int(n) for n in re.findall(r"\d+", text.split("=", 1)[1])] if "=" in text else []
        return tuple(numbers) if len(numbers) == 4 else (0, 0, 0, 0)

    def geometry(self, window):
        """x, y, width, height of the client window, in root coordinates. (xdotool's own
        geometry counts the frame's offset twice under a reparenting window manager.)"""
        text = self.run("xwininfo", "-id", str(window))
        def value(label):
            return int(re.search(label + r":\s+(-?\d+)", text).group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                value("Height"))

    def outer_size(self, window):
        """Width and height of the whole window, the frame included."""
        _, _, width, height = self.geometry(window)
        left, right, top, bottom = self.frame_extents(window)
        return width + left + right, height + top + bottom

    # Acting

    def activate(self, window):
        self.run("xdotool", "windowactivate", "--sync", str(window), check=False)
        self.run("xdotool", "windowfocus", "--sync", str(window), check=False)

    def key(self, *keys, delay_ms=60):
        self.run("xdotool", "key", "--delay", str(delay_ms), *keys)

    def key_down(self, key):
        self.run("xdotool", "keydown", key)

    def key_up(self, key):
        self.run("xdotool", "keyup", key)

    def hold_key(self, key, seconds):
        """Holds the key down long enough for the server's auto-repeat to run."""
        self.key_down(key)
        time.sleep(seconds)
        self.key_up(key)

    def wheel(self, window, button, clicks=5):
        """Turns the mouse wheel over the middle of the window: button 4 up, 5 down, 6 left,
        7 right."""
        x, y, width, height = self.geometry(window)
        self.run("xdotool", "mousemove", "--sync", str(x + width // 2), str(y + height // 2))
        self.run("xdotool", "click", "--repeat", str(clicks), "--delay", "50", str(button))

    def click(self, x, y):
        self.run("xdotool", "mousemove", "--sync", str(x), str(y), "click", "1")

    def resize_by_dragging(self, window, dx, dy, steps=10):
        """Resizes as a user does with the window manager: Alt and the right button held, dragged
        from near the bottom-right corner by dx, dy."""
        x, y, width, height = self.geometry(window)
        start = (x + width - 20, y + height - 20)
        self.run("xdotool", "mousemove", "--sync", str(start[0]), str(start[1]))
        self.run("xdotool", "keydown", "alt")
        self.run("xdotool", "mousedown", "3")
        try:
            for step in range(1, steps + 1):
                self.run("xdotool", "mousemove", str(start[0] + dx * step // steps),
                         str(start[1] + dy * step // steps))
                time.sleep(0.05)
        finally:
            self.run("xdotool", "mouseup", "3")
            self.run("xdotool", "keyup", "alt")

    def close(self, window):
        """The window manager's close, as from the close box (_NET_CLOSE_WINDOW)."""
        self.run("wmctrl", "-i", "-c", hex(window))

    def restore(self, window):
        self.run("wmctrl", "-i", "-r", hex(window), "-b", "remove,maximized_vert,maximized_horz")

    def screenshot(self, path, window=None):
        self.run("import", "-window", "root" if window is None else str(window), path)

    def wait_until(self, predicate, timeout=10, interval=0.1):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = predicate()
            if value:
                return value
            time.sleep(interval)
        return predicate()


class WindowWatch:
    """The titles of every window of one process that the window manager managed while the
    watch ran, polled so often that a window shown even briefly is seen; so that "no window
    appeared" is checked while the process still runs, not after it has gone."""

    def __init__(self, x11, pid, interval=0.05):
        self._x11 = x11
        self._pid = pid
        self._interval = interval
        self._titles = set()
        self._lock = threading.Lock()
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._poll, daemon=True)

    def _look(self):
        for pid, title in self._x11.managed_windows():
            if pid == self._pid:
                with self._lock:
                    self._titles.add(title)

    def _poll(self):
        while True:
            self._look()
            if self._stop.wait(self._interval):
                return

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()
        # What is up as the watch ends counts too, even if no poll came round to it.
        self._look()
        return False

    @property
    def titles(self):
        with self._lock:
            return set(self._titles)
