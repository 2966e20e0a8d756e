#!/usr/bin/python3
"""The cache folder removal: CQuillbeckApp::DeleteFolderTree of trees of files in nested
folders, against `rm -rf` of a copy of the same tree, and how the time grows with the number
of files."""

import math
import multiprocessing
import os
import shutil
import tempfile
import time

import bench_support as support


def tree_plan(files, files_per_folder, fan_out):
    """files files, files_per_folder to a folder, in leaf folders fan_out to a level, as deep
    as that needs (at least one level): [(leaf folder's relative path, [file names])]."""
    leaves = max(1, math.ceil(files / files_per_folder))
    depth = 1
    while fan_out ** depth < leaves:
        depth += 1
    plan = []
    for leaf in range(leaves):
        digits, rest = [], leaf
        for _ in range(depth):
            rest, digit = divmod(rest, fan_out)
            digits.append(f"d{digit}")
        first = leaf * files_per_folder
        names = [f"f{index - first:03d}.bin"
                 for index in range(first, min(files, first + files_per_folder))]
        plan.append((os.path.join(*reversed(digits)), names))
    return plan


def folder_count(plan):
    folders = set()
    for leaf, _ in plan:
        while leaf:
            folders.add(leaf)
            leaf = os.path.dirname(leaf)
    return len(folders)


def _write_files(folder, names, file_bytes):
    content = bytes(i % 251 for i in range(file_bytes))
    for name in names:
        with open(os.path.join(folder, name), "wb") as file:
            file.write(content)


def make_trees(roots, plan, file_bytes, workers):
    """The same tree beneath each root. Files are made by several processes at once: making
    them costs far more than removing them on some disks."""
    jobs = []
    for root in roots:
        for leaf, names in plan:
            os.makedirs(os.path.join(root, leaf))
            jobs.append((os.path.join(root, leaf), names, file_bytes))
    with multiprocessing.Pool(workers) as pool:
        pool.starmap(_write_files, jobs, chunksize=max(1, len(jobs) // (workers * 4)))


def is_gone(path):
    return not os.path.lexists(path)


def main():
    parser = support.argument_parser(__doc__.split("\n\n")[0])
    parser.add_argument("--sizes", type=support.number_list, default=[1000, 10000, 100000],
                        help="numbers of files, comma-separated (default 1000,10000,100000)")
    parser.add_argument("--runs", type=support.positive, default=3,
                        help="removals of each size by each side (default 3)")
    parser.add_argument("--files-per-folder", type=support.positive, default=100)
    parser.add_argument("--fan-out", type=support.positive, default=10,
                        help="sub-folders per folder above the files (default 10)")
    parser.add_argument("--file-bytes", type=int, default=512)
    parser.add_argument("--workers", type=support.positive, default=os.cpu_count(),
                        help="processes that make the trees (default: one per processor)")
    parser.add_argument("--temp-dir", default=None,
                        help="where the trees are made (default: the system's temporary folder)")
    args = parser.parse_args()
    build = support.Build(args.build_dir, args.port)
    build.require(build.bench_program)
    rm = shutil.which("rm")
    support.print_header("the cache folder removal", build)

    sizes = sorted(set(args.sizes))
    figures = {}
    making = 0.0
    with tempfile.TemporaryDirectory(prefix="qb-tree-", dir=args.temp_dir) as root:
        filesystem = support.timed_run(["findmnt", "--noheadings", "--output", "FSTYPE",
                                        "--target", root])[1].stdout.strip()
        for size in sizes:
            plan = tree_plan(size, args.files_per_folder, args.fan_out)
            runs = {"wall": [], "cpu": [], "whole": [], "rm wall": [], "rm cpu": []}
            for run in range(args.runs):
                ours = os.path.join(root, f"ours-{size}-{run}", "Nolva Client")
                theirs = os.path.join(root, f"theirs-{size}-{run}", "Nolva Client")
                started = time.perf_counter()
                make_trees([ours, theirs], plan, args.file_bytes, args.workers)
                # Neither removal may pay for writing back the trees just made.
                os.sync()
                making += time.perf_counter() - started

                def delete_folder_tree():
                    seconds, result = support.timed_run(
                        support.bench_command(build, "delete-tree", "--path", ours),
                        expected_codes=(0, 1))
                    records = support.records_of(result.stdout, "delete-tree")
                    if result.returncode != 0 or not records or not is_gone(ours):
                        raise support.BenchError(f"DeleteFolderTree left {ours} in place "
                                                 "(too long a path?)")
                    runs["wall"].append(records[0]["seconds"])
                    runs["cpu"].append(records[0]["cpu_seconds"])
                    runs["whole"].append(seconds)

                def rm_rf():
                    seconds, result = support.timed_run([rm, "-rf", theirs])
                    if not is_gone(theirs):
                        raise support.BenchError(f"rm -rf left {theirs} in place")
                    runs["rm wall"].append(seconds)
                    runs["rm cpu"].append(result.cpu_seconds)

                # Each side goes first every other run.
                for remove in ((delete_folder_tree, rm_rf) if run % 2 == 0
                               else (rm_rf, delete_folder_tree)):
                    remove()
            figures[size] = (folder_count(plan), runs)

    print(f"   Trees of files of {args.file_bytes} bytes, {args.files_per_folder} to a folder, "
          f"in folders {args.fan_out} to a level, on {filesystem};\n   each run makes two equal "
          "trees, syncs, and removes one with each side, whichever first\n   in turn. Making the "
          f"trees took {making:.0f} s. Processor time is user + system.")
    for size in sizes:
        folders, runs = figures[size]
        support.print_rows(f"{size} files in {folders} folders", [
            ("DeleteFolderTree, the call alone", runs["wall"]),
            ("  its processor time", runs["cpu"]),
            ("  the same as a whole process (start included)", runs["whole"]),
            ("baseline: rm -rf (a whole process)", runs["rm wall"]),
            ("  its processor time", runs["rm cpu"])])

    if len(sizes) > 1:
        print("\n-- growth: ratio of the medians, per 10x files (10.00 would be linear)")
        for smaller, larger in zip(sizes, sizes[1:]):
            if smaller == 0:
                continue
            tenfold = math.log10(larger / smaller)

            def per_tenfold(key):
                ratio = (support.median(figures[larger][1][key])
                         / support.median(figures[smaller][1][key]))
                return f"x{ratio ** (1 / tenfold):.2f}"

            print(f"   {smaller:>7} -> {larger:>7} files:   DeleteFolderTree {per_tenfold('wall')} "
                  f"(processor {per_tenfold('cpu')})   rm -rf {per_tenfold('rm wall')} "
                  f"(processor {per_tenfold('rm cpu')})")
        for size in sizes:
            if size:
                runs = figures[size][1]
                print(f"   {size} files, per file: DeleteFolderTree "
                      f"{support.scaled(support.median(runs['wall']) / size)}, rm -rf "
                      f"{support.scaled(support.median(runs['rm wall']) / size)}")


if __name__ == "__main__":
    support.main_of(main)
