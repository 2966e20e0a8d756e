#!/usr/bin/python3
"""Runs a Windows test program with real FTP servers at its command.

A program under Wine cannot start tests/harness/ftp_server.py itself, so this wrapper runs
it: it listens on a loopback control port, passes the port to the program in the environment
variable QUILLBECK_FTP_CONTROL, runs the program and ends every server it started.

    ftp_control.py COMMAND [ARGS...]

One request per control connection, one line of tab-separated fields; the answer follows:
    START <port> <root folder> [server arguments...]  ->  "OK <id> <bound port>" or "ERR <why>"
    COMMANDS <id>      ->  every command line the server received, one a line, then a blank line
    CONNECTIONS <id>   ->  how many control connections it accepted
    STOP <id>          ->  "OK"
"""

import os
import socket
import subprocess
import sys
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import ftp_server  # noqa: E402


class Servers:
    def __init__(self):
        self._lock = threading.Lock()
        self._servers = {}
        self._next = 1

    def start(self, port, root, arguments):
        server = ftp_server.FtpServer(root, port=port, faults=arguments)
        server.__enter__()
        with self._lock:
            ident = self._next
            self._next += 1
            self._servers[ident] = server
        return ident, server.port

    def get(self, ident):
        with self._lock:
            return self._servers[ident]

    def stop(self, ident):
        with self._lock:
            server = self._servers.pop(ident, None)
        if server is not None:
            server.__exit__(None, None, None)

    def stop_all(self):
        with self._lock:
            idents = list(self._servers)
        for ident in idents:
            self.stop(ident)


def answer(servers, line):
    fields = line.split("\t")
    verb = fields[0]
    try:
        if verb == "START":
            ident, port = servers.start(int(fields[1]), fields[2], fields[3:])
            return "OK %d %d\n" % (ident, port)
        if verb == "COMMANDS":
            return "".join(c + "\n" for c in servers.get(int(fields[1])).commands()) + "\n"
        if verb == "CONNECTIONS":
            return "%d\n" % servers.get(int(fields[1])).connections()
        if verb == "STOP":
            servers.stop(int(fields[1]))
            return "OK\n"
        return "ERR unknown request %s\n" % verb
    except Exception as error:  # reported to the test, which fails on it
        return "ERR %s\n" % str(error).replace("\n", " ")


def serve(listener, servers):
    while True:
        try:
            connection, _ = listener.accept()
        except OSError:
            return
        with connection:
            data = b""
            while not data.endswith(b"\n"):
                chunk = connection.recv(4096)
                if not chunk:
                    break
                data += chunk
            reply = answer(servers, data.decode("utf-8").rstrip("\r\n"))
            connection.sendall(reply.encode("utf-8"))


def main(argv):
    if not argv:
        print(__doc__, file=sys.stderr)
        return 2
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    servers = Servers()
    threading.Thread(target=serve, args=(listener, servers), daemon=True).start()
    environment = dict(os.environ, QUILLBECK_FTP_CONTROL=str(listener.getsockname()[1]))
    try:
        return subprocess.call(argv, env=environment)
    finally:
        listener.close()
        servers.stop_all()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
