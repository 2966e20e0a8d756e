#!/usr/bin/python3
"""The running-process guard: FindRunningProcess with extra processes running (sleeping
stand-ins), against `pgrep -x` for the same name."""

import os
import shutil
import signal
import subprocess
import tempfile
import time

import bench_support as support

STAND_IN_NAME = "StandIn.exe"


def stand_in_program(build, folder):
    """A copy of the test suite's stand-in (or of sleep, in a build without the tests) under
    STAND_IN_NAME, and the arguments that keep it sleeping."""
    copy = os.path.join(folder, STAND_IN_NAME)
    if os.access(build.stand_in, os.X_OK):
        shutil.copy2(build.stand_in, copy)
        # The stand-in ends itself after 600 s in any case.
        return [copy, "--stay"]
    shutil.copy2(shutil.which("sleep"), copy)
    return [copy, "600"]


def executable_name(pid):
    try:
        return os.path.basename(os.readlink(f"/proc/{pid}/exe"))
    except OSError:
        return None


def start_stand_ins(command, count, timeout=60):
    started = [support.start_child(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL) for _ in range(count)]
    # Each counts once it runs the stand-in's own program, not the script's fork of itself.
    deadline = time.monotonic() + timeout
    waiting = list(started)
    while waiting and time.monotonic() < deadline:
        waiting = [child for child in waiting if executable_name(child.pid) != STAND_IN_NAME]
        if waiting:
            time.sleep(0.05)
    if waiting:
        raise support.BenchError(f"{len(waiting)} stand-ins did not start")
    return started


def end_stand_ins(stand_ins):
    for child in stand_ins:
        if child.poll() is None:
            child.send_signal(signal.SIGKILL)
    for child in stand_ins:
        child.wait(timeout=10)
        support.forget_child(child)
    stand_ins.clear()


def running_with_name(name):
    return [pid for pid in support.process_ids() if executable_name(pid) == name]


def measure(build, name, expect_found, runs):
    """(per-call seconds in a running process, whole bench processes, pgrep processes)."""
    _, result = support.timed_run(
        support.bench_command(build, "find-process", "--name", name, "--runs", str(runs)))
    records = support.records_of(result.stdout, "find-process")
    if len(records) != runs or any(bool(r["found"]) != expect_found for r in records):
        raise support.BenchError(f"FindRunningProcess({name}) did not answer "
                                 f"{int(expect_found)}: {records}")
    calls = [r["seconds"] for r in records]

    whole = []
    for _ in range(runs):
        seconds, result = support.timed_run(
            support.bench_command(build, "find-process", "--name", name, "--runs", "1"))
        whole.append(seconds)

    pgrep = []
    for _ in range(runs):
        # pgrep's exit code: 0 found, 1 not found.
        seconds, _ = support.timed_run(["pgrep", "-x", name],
                                       expected_codes=(0,) if expect_found else (1,))
        pgrep.append(seconds)
    return calls, whole, pgrep


def main():
    parser = support.argument_parser(__doc__.split("\n\n")[0])
    parser.add_argument("--extra", type=support.number_list, default=[0, 500],
                        help="numbers of extra processes, comma-separated (default 0,500)")
    parser.add_argument("--runs", type=support.positive, default=20,
                        help="calls / processes of each kind (default 20)")
    args = parser.parse_args()
    build = support.Build(args.build_dir, args.port)
    build.require(build.bench_program)
    if shutil.which("pgrep") is None:
        raise support.BenchError("pgrep is missing (Debian package procps)")
    support.print_header("the running-process guard", build)
    if running_with_name(support.ABSENT_CLIENT):
        raise support.BenchError(f"a {support.ABSENT_CLIENT} runs on this machine; the "
                                 "not-found case would find it")

    results = []
    stand_ins = []
    with tempfile.TemporaryDirectory(prefix="quillbeck-bench-guard-") as folder:
        command = stand_in_program(build, folder)
        try:
            for extra in sorted(set(args.extra)):
                if extra > len(stand_ins):
                    stand_ins += start_stand_ins(command, extra - len(stand_ins))
                elif extra < len(stand_ins):
                    end_stand_ins(stand_ins)
                    stand_ins += start_stand_ins(command, extra)
                total = len(support.process_ids())
                rows = []
                calls, whole, pgrep = measure(build, support.ABSENT_CLIENT, False, args.runs)
                rows += [(f"FindRunningProcess({support.ABSENT_CLIENT}), not running: the call",
                          calls),
                         ("  the same as a whole process (start included)", whole),
                         ("  of which: that process's start and end alone",
                          support.process_start_alone(build, args.runs)),
                         (f"baseline: pgrep -x {support.ABSENT_CLIENT} (a whole process)", pgrep)]
                if extra:
                    calls, whole, pgrep = measure(build, STAND_IN_NAME, True, args.runs)
                    rows += [(f"FindRunningProcess({STAND_IN_NAME}), running: the call", calls),
                             ("  the same as a whole process (start included)", whole),
                             (f"baseline: pgrep -x {STAND_IN_NAME} (a whole process)", pgrep)]
                results.append((extra, total, rows))
        finally:
            end_stand_ins(stand_ins)

    kind = "the tests' stand-in" if "--stay" in command else "sleep"
    print(f"   Extra processes: sleeping copies of {kind}, named {STAND_IN_NAME}.\n   The "
          "name that does not run makes both walk the whole process list, as on an\n   ordinary "
          "start. The launcher asks twice per start (the client's name, then Update.exe).")
    for extra, total, rows in results:
        support.print_rows(f"{extra} extra processes ({total} processes in /proc)", rows)
    print("\n   " + ("All stand-ins ended." if not running_with_name(STAND_IN_NAME)
                     else "WARNING: stand-ins are still running"))


if __name__ == "__main__":
    support.main_of(main)
