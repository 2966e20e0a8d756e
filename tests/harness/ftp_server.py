#!/usr/bin/python3
"""A real FTP server on loopback for the tests, with fault modes.

Run it with Debian's /usr/bin/python3, which has pyftpdlib.

As a program:
    ftp_server.py --port 0 --root DIR [--user U --password P] [--log FILE] [fault]
prints the bound port on its first line of standard output, then serves until it is
killed (or, with --stdin-watch, until its standard input reaches its end).

As a module:
    with FtpServer(root, port=2121, faults=["--refuse-login"]) as server:
        ... server.port, server.commands(), server.connections() ...

The log holds one JSON object per line:
    {"event": "connect", "peer": "127.0.0.1:40312"}   one per accepted control connection
    {"event": "command", "line": "RETR /a b.ini"}      every command line, as received
"""

import argparse
import json
import logging
import os
import subprocess
import sys
import threading
import time

DEFAULT_USER = "tolvemar"
DEFAULT_PASSWORD = "BenKORVA47@2"

# Bytes a stalled transfer sends before it goes quiet.
STALL_BYTES = 8


def pattern_bytes(offset, length):
    """The content that --huge serves: byte i of the file is i % 251."""
    return bytes((offset + i) % 251 for i in range(length))


class _LogWriter:
    def __init__(self, path):
        self._file = open(path, "a", encoding="utf-8") if path else None
        self._lock = threading.Lock()

    def write(self, **record):
        if self._file is None:
            return
        with self._lock:
            self._file.write(json.dumps(record) + "\n")
            self._file.flush()


class _PatternProducer:
    """Serves `size` bytes of pattern_bytes without a file behind them."""

    chunk = 65536

    def __init__(self, size):
        self._left = size
        self._offset = 0

    def more(self):
        length = min(self.chunk, self._left)
        data = pattern_bytes(self._offset, length)
        self._offset += length
        self._left -= length
        return data


class _ChunkProducer:
    """Serves one chunk of bytes, then ends."""

    def __init__(self, data):
        self._data = data

    def more(self):
        data, self._data = self._data, b""
        return data


class _LimitedProducer:
    """Passes on the first `limit` bytes of another producer, then calls `on_end` once.

    more() is only asked again after everything it gave before has been handed to the
    socket, so `on_end` runs when the limited part has really been sent."""

    def __init__(self, inner, limit, on_end):
        self._inner = inner
        self._left = limit
        self._on_end = on_end
        self._pending = b""

    def more(self):
        if self._left > 0:
            if not self._pending:
                self._pending = self._inner.more()
            data, self._pending = self._pending[: self._left], self._pending[self._left :]
            self._left -= len(data)
            if data:
                return data
        if self._on_end is not None:
            on_end, self._on_end = self._on_end, None
            on_end()
        return b""


def _make_handler_classes(options, log):
    # pyftpdlib is imported here so that the module can be imported (for FtpServer) by an
    # interpreter that lacks it.
    from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
    from pyftpdlib.handlers import DTPHandler, FileProducer, FTPHandler

    class Authorizer(DummyAuthorizer):
        def validate_authentication(self, username, password, handler):
            if options.refuse_login:
                raise AuthenticationFailed("Login refused.")
            super().validate_authentication(username, password, handler)

    class HoldingDTPHandler(DTPHandler):
        """A data channel that a stall or a drop keeps open after its producer ends."""

        def close_when_done(self):
            if getattr(self.cmd_channel, "hold_data_channel", False):
                return
            super().close_when_done()

    class Handler(FTPHandler):
        dtp_handler = HoldingDTPHandler
        # Producers only: a fault must see every chunk, which sendfile() would bypass.
        use_sendfile = False
        # A refused log-in is answered at once, not after pyftpdlib's default pause.
        auth_failed_timeout = 0
        hold_data_channel = False

        def handle(self):
            log.write(event="connect", peer="%s:%s" % (self.remote_ip, self.remote_port))
            if options.accept_and_close:
                self.close()
                return
            if options.never_greet:
                return
            super().handle()

        def found_terminator(self):
            line = b"".join(self._in_buffer).decode("utf-8", "replace")
            log.write(event="command", line=line)
            super().found_terminator()

        def ftp_SIZE(self, path):
            if options.no_size:
                self.respond("502 Command not implemented.")
                return
            if options.huge is not None:
                self.respond("213 %d" % options.huge)
                return
            super().ftp_SIZE(path)

        def ftp_RETR(self, file):
            self._restart_position = 0
            fd = None
            if options.huge is not None:
                size = options.huge
                producer = _PatternProducer(size)
            else:
                try:
                    fd = self.run_as_current_user(self.fs.open, file, "rb")
                except OSError as err:
                    self.respond("550 %s." % (err.strerror or "Cannot open file"))
                    return
                size = os.fstat(fd.fileno()).st_size
                producer = FileProducer(fd, self._current_type)

            stall_after = STALL_BYTES if options.stall_data else options.stall_after
            if options.trickle is not None:
                # Whole, so that each later byte is pushed by a timer, not read on demand.
                content = b"".join(iter(producer.more, b""))
                if fd is not None:
                    fd.close()
                    fd = None
                self.hold_data_channel = True
                producer = _LimitedProducer(_ChunkProducer(content), 1,
                                            lambda: self._trickle(content, 1))
            elif stall_after is not None:
                self.hold_data_channel = True
                producer = _LimitedProducer(producer, stall_after, None)
            elif options.drop_data:
                self.hold_data_channel = True
                producer = _LimitedProducer(producer, size // 2, self._drop_data_channel)
            self.push_dtp_data(producer, isproducer=True, file=fd, cmd="RETR")
            return file

        def _trickle(self, content, sent):
            """Sends the byte at `sent` after options.trickle seconds, and so on to the end."""

            def send_next():
                channel = self.data_channel
                if channel is None:
                    return
                if sent < len(content):
                    channel.push(content[sent:sent + 1])
                    self._trickle(content, sent + 1)
                else:
                    self.hold_data_channel = False
                    channel.close_when_done()

            self.ioloop.call_later(options.trickle, send_next, _errback=self.handle_error)

        def _drop_data_channel(self):
            def drop():
                channel = self.data_channel
                if channel is not None:
                    channel._resp = ("426 Data connection dropped; transfer aborted.",
                                     logging.info)
                    channel.close()

            # Not from inside the channel's own send loop.
            self.ioloop.call_later(0.05, drop, _errback=self.handle_error)

        def _on_dtp_close(self):
            self.hold_data_channel = False
            super()._on_dtp_close()

    authorizer = Authorizer()
    authorizer.add_user(options.user, options.password, options.root, perm="elr")
    Handler.authorizer = authorizer
    return Handler


def _watch_stdin():
    # The test that started us closes our standard input when it ends, even when it
    # crashes; never outlive it.
    try:
        while sys.stdin.buffer.read(4096):
            pass
    finally:
        os._exit(0)


def _parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0, help="0 picks a free port")
    parser.add_argument("--root", required=True, help="the folder served as /")
    parser.add_argument("--user", default=DEFAULT_USER)
    parser.add_argument("--password", default=DEFAULT_PASSWORD)
    parser.add_argument("--log", help="JSON lines: connections and command lines")
    parser.add_argument("--stdin-watch", action="store_true",
                        help="exit when standard input reaches its end")
    faults = parser.add_argument_group("faults")
    faults.add_argument("--refuse-login", action="store_true",
                        help="answer every log-in with 530")
    faults.add_argument("--stall-data", action="store_true",
                        help="accept RETR, send a few bytes, then send nothing more")
    faults.add_argument("--stall-after", type=int, metavar="N",
                        help="like --stall-data, but after the first N bytes")
    faults.add_argument("--trickle", type=float, metavar="SECONDS",
                        help="accept RETR, send the first byte at once, then one byte every "
                             "SECONDS")
    faults.add_argument("--drop-data", action="store_true",
                        help="close the data connection halfway and answer 426")
    faults.add_argument("--never-greet", action="store_true",
                        help="accept connections but never send the greeting")
    faults.add_argument("--accept-and-close", action="store_true",
                        help="close every connection as soon as it is accepted")
    faults.add_argument("--huge", type=int, metavar="N",
                        help="serve N bytes of a fixed pattern for any RETR")
    faults.add_argument("--no-size", action="store_true",
                        help="refuse SIZE, so that a client learns a file's size only from its data")
    return parser.parse_args(argv)


def main(argv=None):
    options = _parse_arguments(argv)
    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    from pyftpdlib.servers import FTPServer

    log = _LogWriter(options.log)
    handler = _make_handler_classes(options, log)
    server = FTPServer((options.host, options.port), handler)
    print(server.address[1], flush=True)
    if options.stdin_watch:
        threading.Thread(target=_watch_stdin, daemon=True).start()
    server.serve_forever()


class FtpServer:
    """Runs ftp_server.py in a child process for the length of a `with` block."""

    def __init__(self, root, port=0, user=DEFAULT_USER, password=DEFAULT_PASSWORD,
                 faults=(), log_path=None, python="/usr/bin/python3"):
        self.root = root
        self._requested_port = port
        self._user = user
        self._password = password
        self._faults = list(faults)
        self._python = python
        self.log_path = log_path
        self._process = None
        self._own_log = log_path is None
        self.port = None

    def __enter__(self):
        if self.log_path is None:
            import tempfile

            handle, self.log_path = tempfile.mkstemp(prefix="ftp-server-", suffix=".log")
            os.close(handle)
        command = [self._python, os.path.abspath(__file__), "--host", "127.0.0.1",
                   "--port", str(self._requested_port), "--root", self.root,
                   "--user", self._user, "--password", self._password,
                   "--log", self.log_path, "--stdin-watch"] + self._faults
        self._process = subprocess.Popen(command, stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE)
        first_line = self._process.stdout.readline()
        if not first_line.strip().isdigit():
            self.__exit__(None, None, None)
            raise RuntimeError("ftp_server.py did not start: %r" % first_line)
        self.port = int(first_line)
        return self

    def __exit__(self, *exc_info):
        if self._process is not None:
            self._process.stdin.close()
            self._process.terminate()
            try:
                self._process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
            self._process.stdout.close()
            self._process = None
        if self._own_log and self.log_path and os.path.exists(self.log_path):
            os.unlink(self.log_path)
        return False

    def records(self):
        """Every log record so far, in order."""
        with open(self.log_path, encoding="utf-8") as log:
            return [json.loads(line) for line in log if line.strip()]

    def commands(self):
        """The command lines received so far, in order."""
        return [r["line"] for r in self.records() if r["event"] == "command"]

    def connections(self):
        """How many control connections were accepted so far."""
        return sum(1 for r in self.records() if r["event"] == "connect")

    def wait_for(self, predicate, timeout=10.0):
        """Polls the log until predicate(self) holds or the time runs out."""
        deadline = time.monotonic() + timeout
        while not predicate(self):
            if time.monotonic() > deadline:
                return False
            time.sleep(0.05)
        return True


if __name__ == "__main__":
    main()
