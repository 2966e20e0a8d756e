"""What every whole start of the launcher shares, on either platform: the cleanups that end it
with its `with` block, and the wait for one of its windows."""


class StartBase:
    """Subclasses set self.test, self.x (an X11), self.process, and give elapsed() (seconds since
    the start) and describe() (what the launcher and the server did, for a failure message)."""

    def __init__(self):
        self._cleanups = []

    def add_cleanup(self, cleanup):
        """Runs cleanup when the `with` block ends, before the cleanups added earlier."""
        self._cleanups.append(cleanup)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        for cleanup in reversed(self._cleanups):
            cleanup()
        return False

    def wait_for(self, title, limit):
        """The window of the launcher with this title, which must appear within limit seconds of
        the start."""
        while True:
            ended = self.process.poll() is not None
            window = self.x.find_window(title, pid=self.process.pid,
                                        timeout=min(0.5, max(0.0, limit - self.elapsed())))
            # A launcher that has ended opens no window any more.
            if window is not None or ended or self.elapsed() >= limit:
                break
        if window is None:
            self.test.fail(f"no window {title!r} within {limit} s; {self.describe()}")
        return window
