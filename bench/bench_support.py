"""What the bench scripts share: the build under measurement, figures with their spread, the
machine they ran on, and children that never outlive a script.

Run the scripts with Debian's /usr/bin/python3 (the FTP server needs its pyftpdlib)."""

import argparse
import atexit
import ctypes
import datetime
import json
import os
import platform
import re
import resource
import signal
import socket
import statistics
import subprocess
import sys
import time

# No byte-code files in the source tree, for these modules or the harness's.
sys.dont_write_bytecode = True
BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(BENCH_DIR)
HARNESS_DIR = os.path.join(REPO, "tests", "harness")
sys.path.insert(0, HARNESS_DIR)


def _module_names(folder):
    return {name[:-3] for name in os.listdir(folder) if name.endswith(".py")}


# The scripts import modules from both folders by bare name, so a name in both, or one of the
# standard library's, would quietly hide a module behind the other; refuse to run at all.
_clashes = ((_module_names(BENCH_DIR) & _module_names(HARNESS_DIR))
            | ((_module_names(BENCH_DIR) | _module_names(HARNESS_DIR))
               & set(sys.stdlib_module_names)))
if _clashes:
    raise ImportError("module names used by both bench/ and tests/harness/ (or by the "
                      "standard library): " + ", ".join(sorted(_clashes)) + "; rename one")

DEFAULT_BUILD = os.path.join(REPO, "build", "bench")
CONFIGURE_HINT = (f"cmake -S {REPO} -B {DEFAULT_BUILD} -G Ninja -DCMAKE_BUILD_TYPE=Release "
                  "-DQUILLBECK_UPDATE_PORT=2198 -DQUILLBECK_BENCH=ON && "
                  f"cmake --build {DEFAULT_BUILD} (or simply bash bench/run_all.sh)")

# The remote path and the local copy's name the update check uses.
REMOTE_PATH = "/Nolva Client/Version.ini"
# A client name that nothing on the machine runs, so the guard finds nothing, as on most starts.
ABSENT_CLIENT = "NolvaClient.exe"


class BenchError(Exception):
    """A run whose figure would mean nothing (wrong outcome, missing piece); the script stops."""


# ---------------------------------------------------------------------------------------------
# The build


def read_cache(build_dir):
    values = {}
    with open(os.path.join(build_dir, "CMakeCache.txt"), encoding="utf-8") as cache:
        for line in cache:
            match = re.match(r"^([A-Za-z_][A-Za-z0-9_]*):[A-Z]+=(.*)$", line.rstrip("\n"))
            if match:
                values[match.group(1)] = match.group(2)
    return values


def own_version():
    """The launcher's file version, from the one place the build takes it."""
    with open(os.path.join(REPO, "res", "CMakeLists.txt"), encoding="utf-8") as listing:
        match = re.search(r"set\(QUILLBECK_FILE_VERSION\s+([0-9.]+)\)", listing.read())
    if not match:
        raise BenchError("res/CMakeLists.txt sets no QUILLBECK_FILE_VERSION")
    return match.group(1)


def version_file(version):
    """The server's version file, naming a client that nothing runs."""
    return f"[Version Info]\r\nVersion={version}\r\nFileName={ABSENT_CLIENT}\r\n"


class Build:
    """A configured build of the project; the update server's port is the one compiled in."""

    def __init__(self, build_dir, port=None):
        self.dir = os.path.abspath(build_dir)
        if not os.path.isfile(os.path.join(self.dir, "CMakeCache.txt")):
            raise BenchError(f"no CMakeCache.txt in {self.dir}; configure and build it:\n  "
                             + CONFIGURE_HINT)
        cache = read_cache(self.dir)
        self.build_type = cache.get("CMAKE_BUILD_TYPE") or "(none)"
        self.sanitize = cache.get("QUILLBECK_SANITIZE", "OFF")
        self.server = cache.get("QUILLBECK_UPDATE_SERVER", "")
        self.user = cache.get("QUILLBECK_UPDATE_USER", "")
        self.password = cache.get("QUILLBECK_UPDATE_PASSWORD", "")
        configured = int(cache.get("QUILLBECK_UPDATE_PORT", "0"))
        # The port is compiled into the launcher: a server anywhere else is never asked.
        if port is not None and port != configured:
            raise BenchError(f"port {port} is not the port this build was configured with "
                             f"({configured}); the launcher only connects to {configured}")
        self.port = configured
        if not self.server.startswith("127."):
            raise BenchError(f"the build's update server is {self.server!r}; the benches only "
                             "run against a server on loopback")
        self.launcher = os.path.join(self.dir, "bin", "Quillbeck")
        self.bench_program = os.path.join(self.dir, "bin", "quillbeck_bench")
        self.stand_in = os.path.join(self.dir, "tests", "helpers", "stand_in")
        # The harness installs copies of this launcher.
        os.environ["QUILLBECK_EXE"] = self.launcher

    def require(self, *paths):
        missing = [path for path in paths if not os.access(path, os.X_OK)]
        if missing:
            raise BenchError("not built: " + ", ".join(missing) + "\n  " + CONFIGURE_HINT)

    def describe(self):
        text = (f"build {self.dir} ({self.build_type}, update server "
                f"{self.server}:{self.port})")
        if self.build_type != "Release" or self.sanitize == "ON":
            text += "\n  WARNING: not a plain Release build; its figures are not the program's"
        return text


def argument_parser(description):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--build-dir",
                        default=os.environ.get("QUILLBECK_BENCH_BUILD", DEFAULT_BUILD),
                        help="the build to measure (env QUILLBECK_BENCH_BUILD; default "
                             "build/bench)")
    parser.add_argument("--port", type=int,
                        default=int(os.environ["QUILLBECK_BENCH_PORT"])
                        if os.environ.get("QUILLBECK_BENCH_PORT") else None,
                        help="the update server's port (env QUILLBECK_BENCH_PORT; default and "
                             "only accepted value: the one in the build's CMakeCache.txt)")
    return parser


def positive(text):
    value = int(text)
    if value < 1:
        raise argparse.ArgumentTypeError("must be 1 or more")
    return value


def number_list(text):
    values = [int(part) for part in text.split(",") if part.strip()]
    if not values or min(values) < 0:
        raise argparse.ArgumentTypeError("a comma-separated list of whole numbers >= 0")
    return values


def main_of(run):
    """Runs a script's body: a BenchError ends it with its message and exit code 1."""
    try:
        run()
    except BenchError as error:
        print(f"\nFAILED: {error}", file=sys.stderr)
        sys.exit(1)


# ---------------------------------------------------------------------------------------------
# The machine


def machine():
    def cpu_model():
        with open("/proc/cpuinfo", encoding="utf-8") as info:
            for line in info:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
        return platform.processor() or "unknown"

    def ram():
        with open("/proc/meminfo", encoding="utf-8") as info:
            for line in info:
                if line.startswith("MemTotal:"):
                    return f"{int(line.split()[1]) / 1024 / 1024:.1f} GiB"
        return "unknown"

    def debian():
        try:
            with open("/etc/debian_version", encoding="utf-8") as version:
                return "Debian " + version.read().strip()
        except OSError:
            return platform.platform()

    return {"nproc": os.cpu_count(), "cpu": cpu_model(), "ram": ram(), "os": debian(),
            "kernel": platform.release(), "date": datetime.date.today().isoformat()}


def print_header(title, build):
    info = machine()
    print(f"== {title}")
    print(f"   {info['date']}; {info['nproc']} x {info['cpu']}, {info['ram']} RAM; "
          f"{info['os']}, Linux {info['kernel']}")
    print("   " + build.describe())


# ---------------------------------------------------------------------------------------------
# Figures


def quartiles(values):
    if len(values) < 2:
        return values[0], values[0]
    q1, _, q3 = statistics.quantiles(values, n=4, method="inclusive")
    return q1, q3


def scaled(seconds):
    """A time in the unit that suits it."""
    magnitude = abs(seconds)
    if magnitude >= 1:
        return f"{seconds:.3f} s"
    if magnitude >= 1e-3:
        return f"{seconds * 1e3:.2f} ms"
    return f"{seconds * 1e6:.1f} us"


def spread(values, unit=scaled):
    """median, min-max and IQR of several runs, in one line."""
    if not values:
        return "no runs"
    q1, q3 = quartiles(values)
    return (f"median {unit(statistics.median(values)):>10}   min {unit(min(values)):>10}   "
            f"max {unit(max(values)):>10}   IQR {unit(q1)} - {unit(q3)}   n={len(values)}")


def print_rows(title, rows, unit=scaled):
    """rows: (label, values); the labels say which is the subject and which the baseline."""
    print(f"\n-- {title}")
    width = max(len(label) for label, _ in rows)
    for label, values in rows:
        print(f"   {label:<{width}}   {spread(values, unit)}")


def median(values):
    return statistics.median(values)


def mebibytes(kib):
    return f"{kib / 1024:.1f} MiB"


# ---------------------------------------------------------------------------------------------
# Processes


def timed_run(args, expected_codes=(0,), **popen):
    """Runs a program to its end; (wall-clock seconds from just before its start, result).
    result.cpu_seconds is the processor time (user and system) the program used."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    result = subprocess.run(args, capture_output=True, text=True, **popen)
    seconds = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    result.cpu_seconds = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    if result.returncode not in expected_codes:
        raise BenchError(f"{args[0]} ended with {result.returncode}, not one of "
                         f"{list(expected_codes)}:\n{result.stdout}{result.stderr}")
    return seconds, result


def records_of(output, bench):
    """The bench program's measurement lines of one kind."""
    found = [json.loads(line) for line in output.splitlines() if line.startswith("{")]
    return [record for record in found if record.get("bench") == bench]


def bench_command(build, *args):
    return [build.bench_program, *args]


def process_start_alone(build, runs):
    """Wall-clock seconds of the bench program started without a command, which ends it at
    once: the cost of starting a process linked as the launcher is (GTK, WebKitGTK, libcurl),
    which a whole-process figure includes."""
    return [timed_run([build.bench_program], expected_codes=(64,))[0] for _ in range(runs)]


def environment_without_proxies(**extra):
    env = {key: value for key, value in os.environ.items()
           if key.lower() not in ("ftp_proxy", "all_proxy", "http_proxy", "https_proxy")}
    env.update(extra)
    return env


def port_is_closed(port):
    """Whether a connection to port on loopback is refused, as with no update server."""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.settimeout(2)
        try:
            probe.connect(("127.0.0.1", port))
        except ConnectionRefusedError:
            return True
        except OSError:
            return False
        return False


_children = []


def _end_children():
    for child in reversed(_children):
        if child.poll() is None:
            child.kill()
    for child in _children:
        try:
            child.wait(timeout=10)
        except subprocess.TimeoutExpired:
            pass
    _children.clear()


def _end_on_signal(signum, _frame):
    # The `finally` blocks and the exit handler then end every child.
    raise SystemExit(128 + signum)


atexit.register(_end_children)
for _signal in (signal.SIGTERM, signal.SIGHUP):
    signal.signal(_signal, _end_on_signal)

_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def _die_with_parent():
    # Even a script killed outright (SIGKILL) leaves none of these behind.
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


def start_child(args, **popen):
    """A child that ends at the latest with this script, whichever way the script ends."""
    child = subprocess.Popen(args, preexec_fn=_die_with_parent, **popen)
    _children.append(child)
    return child


def forget_child(child):
    if child in _children:
        _children.remove(child)


def track(child):
    """Ends a child started elsewhere (by the harness) when the script ends, if not before."""
    _children.append(child)
    return child


def process_ids():
    return [int(name) for name in os.listdir("/proc") if name.isdigit()]


def read_proc(pid, name):
    try:
        with open(f"/proc/{pid}/{name}", encoding="utf-8", errors="replace") as entry:
            return entry.read()
    except OSError:
        return None


def stat_fields(pid):
    """(comm, ppid, starttime) of a process, or None once it has gone."""
    text = read_proc(pid, "stat")
    if not text:
        return None
    comm = text[text.index("(") + 1:text.rindex(")")]
    rest = text[text.rindex(")") + 2:].split()
    return comm, int(rest[1]), int(rest[19])


def descendants(pid):
    """Every process below pid, as {pid: (comm, starttime)}."""
    children = {}
    for other in process_ids():
        fields = stat_fields(other)
        if fields:
            children.setdefault(fields[1], []).append((other, fields))
    found, queue = {}, [pid]
    while queue:
        parent = queue.pop()
        for child, (comm, _, starttime) in children.get(parent, []):
            if child not in found:
                found[child] = (comm, starttime)
                queue.append(child)
    return found


def same_process(pid, starttime):
    fields = stat_fields(pid)
    return fields is not None and fields[2] == starttime


def end_process_tree(process, tree, timeout=10):
    """Ends process (a Popen) and then whatever of tree (from descendants(), taken while it
    ran) is still there; a pid that now names another process is left alone."""
    if process.poll() is None:
        process.kill()
    process.wait(timeout=timeout)
    forget_child(process)
    deadline = time.monotonic() + timeout
    left = dict(tree)
    while left and time.monotonic() < deadline:
        left = {pid: info for pid, info in left.items() if same_process(pid, info[1])}
        if left:
            time.sleep(0.05)
    for pid, (_, starttime) in left.items():
        if same_process(pid, starttime):
            os.kill(pid, signal.SIGKILL)


def status_kib(pid, field):
    """A kB field of /proc/PID/status (VmHWM, VmRSS), or None."""
    text = read_proc(pid, "status")
    if text:
        match = re.search(rf"^{field}:\s+(\d+) kB", text, re.MULTILINE)
        if match:
            return int(match.group(1))
    return None
