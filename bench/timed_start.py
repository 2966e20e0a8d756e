"""Whole starts measured from outside, under one Xvfb display: the launcher, or Debian's minimal
WebKitGTK browser on the same login page, timed from just before the process starts to the
page's load event, which the page reports to a listener on loopback."""

import contextlib
import os
import subprocess
import time
import urllib.parse

import bench_support as support
from ftp_server import FtpServer
from launcher import Installation
from page_reports import PageReports

MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
LOAD_TIMEOUT = 60

NO_SERVER = "no update server (connection refused)"
EQUAL_SERVER = "update server with an equal version"
SILENT_SERVER = "update server that accepts and never greets"


class Subject:
    def __init__(self, label, browser, server=None, env=None, options=()):
        self.label = label
        self.browser = browser  # "launcher" or "minibrowser"
        self.server = server    # for the launcher: NO_SERVER, EQUAL_SERVER or SILENT_SERVER
        self.env = env or {}
        self.options = list(options)  # MiniBrowser's command-line options


LAUNCHER_NO_SERVER = Subject(f"launcher, {NO_SERVER}", "launcher", NO_SERVER)
LAUNCHER_EQUAL = Subject(f"launcher, {EQUAL_SERVER}", "launcher", EQUAL_SERVER)
LAUNCHER_SILENT = Subject(f"launcher, {SILENT_SERVER}", "launcher", SILENT_SERVER)
MINIBROWSER_DEFAULT = Subject("baseline: MiniBrowser as it comes (1024x768, composited)",
                              "minibrowser")
# Like for like: the launcher's web view never uses hardware acceleration, and this is
# MiniBrowser's switch for the same policy; full screen gives it the launcher's maximised size.
MINIBROWSER_LIKE_LAUNCHER = Subject("baseline: MiniBrowser full screen, no compositing",
                                    "minibrowser", env={"WEBKIT_DISABLE_COMPOSITING_MODE": "1"},
                                    options=["--full-screen"])
BASELINES = [MINIBROWSER_LIKE_LAUNCHER, MINIBROWSER_DEFAULT]


def timing_page(report_port):
    """A small login page that reports its load event with the page's own clock (the
    system's wall clock, the one the script reads before the start)."""
    return f"""<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Login</title>
<style>
body {{ font-family: sans-serif; margin: 40px; }}
input {{ display: block; margin: 8px 0; }}
</style>
</head>
<body>
<h1>Nolva Client</h1>
<form><input id="user" placeholder="User" autofocus><input id="password" type="password"
placeholder="Password"><button type="button">Log in</button></form>
<script>
window.addEventListener("load", () => {{
  fetch("http://127.0.0.1:{report_port}/report", {{method: "POST", mode: "no-cors",
    body: JSON.stringify({{type: "load", at: performance.timeOrigin + performance.now(),
                           origin: performance.timeOrigin, href: location.href}})}});
}});
</script>
</body></html>
"""


def _update_server(build, install, server):
    if server == EQUAL_SERVER:
        root = os.path.join(install.root, "server")
        os.makedirs(os.path.join(root, "Nolva Client"))
        with open(os.path.join(root, "Nolva Client", "Version.ini"), "w", newline="") as ini:
            ini.write(support.version_file(support.own_version()))
        return FtpServer(root, port=build.port, user=build.user, password=build.password)
    if server == SILENT_SERVER:
        root = os.path.join(install.root, "server")
        os.makedirs(root)
        return FtpServer(root, port=build.port, user=build.user, password=build.password,
                         faults=["--never-greet"])
    # Nothing may answer on the port, or this would not be the road it says it is.
    if not support.port_is_closed(build.port):
        raise support.BenchError(f"something listens on 127.0.0.1:{build.port}; the start "
                                 "without an update server needs that port closed")
    return contextlib.nullcontext()


def memory_of_tree(pid):
    """VmHWM and VmRSS (kB) of the process and of each process below it."""
    processes = [(pid, "main")] + [(child, comm)
                                   for child, (comm, _) in sorted(support.descendants(pid).items())]
    return [{"pid": p, "name": name, "hwm": support.status_kib(p, "VmHWM"),
             "rss": support.status_kib(p, "VmRSS")} for p, name in processes]


# Settings of the developer's environment that would change what is measured; the harness
# passes the rest of the environment on to both browsers.
_CLEARED = ("ftp_proxy", "all_proxy", "ALL_PROXY", "QUILLBECK_STAND_IN_RECORD",
            "WEBKIT_DISABLE_COMPOSITING_MODE")


def one_start(display, build, subject, memory_settle=None):
    """One start to the page's load. Gives {"load": s, "navigation": s} from the process's
    start, and with memory_settle (seconds to wait after the load) also "memory"."""
    for name in _CLEARED:
        os.environ.pop(name, None)
    install = Installation()
    try:
        with PageReports() as reports, _update_server(build, install, subject.server) as server:
            install.write_login_page(timing_page(reports.port))
            page = os.path.join(install.program_folder, "new-trunk", "login.html")
            # Both browsers keep their caches and data in the installation's own home.
            env = {"XDG_CACHE_HOME": os.path.join(install.home, ".cache"),
                   "XDG_DATA_HOME": os.path.join(install.home, ".local", "share")}
            env.update(subject.env)
            started = time.time()
            if subject.browser == "launcher":
                process = support.track(install.start(display, **env))
            else:
                with open(install.stdout_path, "wb") as out, \
                        open(install.stderr_path, "wb") as err:
                    # MiniBrowser takes its arguments for file names and would escape a
                    # query string; the page loads the same without it.
                    process = support.track(subprocess.Popen(
                        [MINIBROWSER, *subject.options, "file://" + page], cwd=install.root,
                        env=install.env(display, **env), stdin=subprocess.DEVNULL, stdout=out,
                        stderr=err))
            tree = {}
            try:
                report = reports.wait_for(lambda r: r.get("type") == "load",
                                          timeout=LOAD_TIMEOUT)
                tree = support.descendants(process.pid)
                if report is None:
                    raise support.BenchError(
                        f"{subject.label}: the page did not load within {LOAD_TIMEOUT} s "
                        f"(exit code {process.poll()}); stderr:\n{install.stderr()[-2000:]}")
                figures = {"load": report["at"] / 1000 - started,
                           "navigation": report["origin"] / 1000 - started}
                if memory_settle is not None:
                    time.sleep(memory_settle)
                    tree = support.descendants(process.pid)
                    figures["memory"] = memory_of_tree(process.pid)
                _check_road(subject, install, server, report, page)
                return figures
            finally:
                support.end_process_tree(process, tree)
    finally:
        install.cleanup()


def _check_road(subject, install, server, report, page):
    """A figure counts only when the start took the road its label names."""
    loaded = urllib.parse.unquote(report.get("href", ""))
    expected = "file://" + page + ("?ParlomaxLogin" if subject.browser == "launcher" else "")
    if loaded != expected:
        raise support.BenchError(f"{subject.label}: the page loaded is {loaded}, not {expected}")
    if subject.browser != "launcher":
        return
    out = install.stdout().decode("utf-8", "replace")
    if subject.server in (NO_SERVER, SILENT_SERVER) and not out.startswith("ERROR!  "):
        raise support.BenchError(f"{subject.label}: no failed fetch reported; stdout {out!r}")
    if subject.server == SILENT_SERVER and server.connections() < 1:
        raise support.BenchError(f"{subject.label}: the launcher never connected to the server")
    if subject.server == EQUAL_SERVER:
        if out:
            raise support.BenchError(f"{subject.label}: the fetch failed: {out!r}")
        if f"RETR {support.REMOTE_PATH}" not in server.commands():
            raise support.BenchError(f"{subject.label}: the server was never asked for the file")


def rotated(items, turn):
    """The items in a different order on each turn, so that no subject always runs first."""
    turn %= len(items)
    return items[turn:] + items[:turn]
