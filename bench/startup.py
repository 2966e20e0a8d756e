#!/usr/bin/python3
"""Time from process start to the login page's load event: the launcher without an update
server, with one serving an equal version and with one that accepts the connection and never
greets, against MiniBrowser on the same page, all under one Xvfb display."""

import statistics

import bench_support as support
import timed_start
from display import Display

# The fetch connects once: a refused connection fails at once, a server that never greets
# fails after the connection's time-out.
CONNECT_TIMEOUT = 5.0
# How far a start without a server may be from a start with one, and from a bare browser.
RATIO_BOUND = 1.2


def main():
    parser = support.argument_parser(__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=support.positive, default=5,
                        help="measured starts of each subject (default 5)")
    parser.add_argument("--warmup", type=int, default=1,
                        help="starts of each subject run first and not counted (default 1)")
    args = parser.parse_args()
    build = support.Build(args.build_dir, args.port)
    build.require(build.launcher)
    support.print_header("start to the login page's load", build)

    subjects = [timed_start.LAUNCHER_NO_SERVER, timed_start.LAUNCHER_EQUAL,
                timed_start.LAUNCHER_SILENT, *timed_start.BASELINES]
    load = {subject.label: [] for subject in subjects}
    navigation = {subject.label: [] for subject in subjects}
    with Display() as display:
        for turn in range(args.warmup + args.runs):
            for subject in timed_start.rotated(subjects, turn):
                figures = timed_start.one_start(display, build, subject)
                if turn >= args.warmup:
                    load[subject.label].append(figures["load"])
                    navigation[subject.label].append(figures["navigation"])

    print("   Timed from just before the process starts to the page's load event (the page's "
          "own clock);\n   the launcher's start includes its update check. MiniBrowser opens "
          "the page without the\n   query string (it takes its arguments for file names). "
          "Subjects take turns in rotating order;\n   "
          f"{args.warmup} warm-up start(s) of each are not counted.")
    support.print_rows("process start to load event", [(label, load[label]) for label in load])
    support.print_rows("process start to the start of navigation (the launcher's own start-up, "
                       "update check included)",
                       [(label, navigation[label]) for label in navigation])

    print_comparisons({label: statistics.median(values) for label, values in load.items()},
                      args.runs)


def print_comparisons(medians, runs):
    """What the start should cost next to its neighbours, from this run's medians. They are
    reported, never enforced: a shared machine's noise can tip any one run."""
    refused = medians[timed_start.LAUNCHER_NO_SERVER.label]
    equal = medians[timed_start.LAUNCHER_EQUAL.label]
    silent = medians[timed_start.LAUNCHER_SILENT.label]

    # (what, figure, bound, whether it holds)
    rows = [("no server / equal version", refused / equal)]
    rows += [(f"no server / {baseline.label.removeprefix('baseline: ')}",
              refused / medians[baseline.label]) for baseline in timed_start.BASELINES]
    rows = [(label, f"x{ratio:.2f}", f"at most x{RATIO_BOUND:.1f}", ratio <= RATIO_BOUND)
            for label, ratio in rows]
    rows.append(("server that never greets - equal version",
                 support.scaled(silent - equal),
                 f"at most {CONNECT_TIMEOUT:.0f} s, one connect time-out",
                 silent - equal <= CONNECT_TIMEOUT))

    print(f"\n-- comparisons of the medians of process start to load event (n={runs} each)")
    width = max(len(row[0]) for row in rows)
    for label, figure, bound, holds in rows:
        print(f"   {label:<{width}}   {figure:>9}   ({bound}: "
              f"{'holds' if holds else 'DOES NOT HOLD'})")
    print(f"   The failed update check without a server costs {support.scaled(refused - equal)} "
          "next to the start with one:\n   one connection try, refused at once (fetch.py times "
          "the fetch alone).")
    if runs < 3:
        print("   With so few runs these comparisons are noise, not findings.")

if __name__ == "__main__":
    support.main_of(main)
