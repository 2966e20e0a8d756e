#!/usr/bin/python3
"""Peak memory at the main window: VmHWM of the launcher process, and of the WebKit processes
it starts, once the login page has loaded; MiniBrowser on the same page as the baseline."""

import bench_support as support
import timed_start
from display import Display

SERVERS = {"equal": timed_start.LAUNCHER_EQUAL, "none": timed_start.LAUNCHER_NO_SERVER}


def main():
    parser = support.argument_parser(__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=support.positive, default=3,
                        help="starts of each subject (default 3)")
    parser.add_argument("--settle", type=float, default=1.0,
                        help="seconds between the load event and the reading (default 1.0)")
    parser.add_argument("--server", choices=sorted(SERVERS), default="equal",
                        help="the launcher's update server: one with an equal version (default), "
                             "or none")
    args = parser.parse_args()
    build = support.Build(args.build_dir, args.port)
    build.require(build.launcher)
    support.print_header("peak memory at the main window", build)

    subjects = [SERVERS[args.server], *timed_start.BASELINES]
    # label -> process name -> [VmHWM kB per run]
    peaks = {subject.label: {} for subject in subjects}
    with Display() as display:
        for turn in range(args.runs):
            for subject in timed_start.rotated(subjects, turn):
                figures = timed_start.one_start(display, build, subject,
                                                  memory_settle=args.settle)
                processes = figures["memory"]
                if any(process["hwm"] is None for process in processes):
                    raise support.BenchError(f"{subject.label}: a process ended before its "
                                             "memory was read")
                runs = peaks[subject.label]
                seen = {}
                for process in processes:
                    name = "main process" if process["name"] == "main" else process["name"]
                    seen[name] = seen.get(name, 0) + 1
                    if seen[name] > 1:
                        name += f" ({seen[name]})"
                    runs.setdefault(name, []).append(process["hwm"])
                runs.setdefault("sum of the above", []).append(
                    sum(process["hwm"] for process in processes))

    print(f"   VmHWM (peak resident set) from /proc/PID/status, read {args.settle:g} s after "
          "the page's load event;\n   the WebKit processes are the main process's children "
          "(names as the kernel keeps them,\n   15 characters). The sum over-counts the pages "
          "the processes share.")
    for subject in subjects:
        runs = peaks[subject.label]
        # n tells when a process was not there in every run.
        support.print_rows(subject.label, [(name, values) for name, values in runs.items()],
                           unit=support.mebibytes)


if __name__ == "__main__":
    support.main_of(main)
