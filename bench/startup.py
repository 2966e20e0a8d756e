#!/usr/bin/python3
"""Time from process start to the login page's load event: the launcher without an update
server and with one serving an equal version, against MiniBrowser on the same page, all under
one Xvfb display."""

import statistics

import bench_support as support
import whole_start
from display import Display

# What the fetch costs when nothing answers: three connection tries (the first and two
# retries) with the back-off of 1000 ms after each failed one but the last.
CONNECT_TRIES = 3
BACKOFF_SECONDS = 1.0


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

    subjects = [whole_start.LAUNCHER_NO_SERVER, whole_start.LAUNCHER_EQUAL,
                *whole_start.BASELINES]
    load = {subject.label: [] for subject in subjects}
    navigation = {subject.label: [] for subject in subjects}
    with Display() as display:
        for turn in range(args.warmup + args.runs):
            for subject in whole_start.rotated(subjects, turn):
                figures = whole_start.whole_start(display, build, subject)
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

    refused = statistics.median(load[whole_start.LAUNCHER_NO_SERVER.label])
    equal = statistics.median(load[whole_start.LAUNCHER_EQUAL.label])
    print(f"\n   The failed update check costs {support.scaled(refused - equal)} (difference of "
          f"the medians): {CONNECT_TRIES} refused connection tries\n   with a back-off of "
          f"{BACKOFF_SECONDS:.0f} s after each failed one but the last, "
          f"{(CONNECT_TRIES - 1) * BACKOFF_SECONDS:.0f} s of waiting in all\n   (fetch.py times "
          "the fetch alone).")


if __name__ == "__main__":
    support.main_of(main)
