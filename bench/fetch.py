#!/usr/bin/python3
"""The update check's fetch: whole DownloadVersionFile calls against a real FTP server on
loopback, against one `curl` command-line download of the same file; and the same fetch when
nothing answers (connection refused), which fails on its one connection try."""

import os
import shutil
import tempfile
import urllib.parse

import bench_support as support
from ftp_server import FtpServer


def curl_command(curl, build, local):
    # Like the launcher: passive mode without EPSV, binary, the path sent whole in one RETR.
    url = (f"ftp://127.0.0.1:{build.port}/"
           + urllib.parse.quote(support.REMOTE_PATH, safe="/").replace("/", "%2F", 1))
    return [curl, "--silent", "--show-error", "--disable-epsv", "--ftp-method", "nocwd",
            "--user", f"{build.user}:{build.password}", "--output", local, url]


def read(path):
    with open(path, "rb") as file:
        return file.read()


def fetch_records(build, local, runs, warmup=0):
    _, result = support.timed_run(
        support.bench_command(build, "fetch", "--local", local, "--runs", str(runs),
                              "--warmup", str(warmup)),
        env=support.environment_without_proxies())
    return support.records_of(result.stdout, "fetch"), result.stdout


def main():
    parser = support.argument_parser(__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=support.positive, default=20,
                        help="fetches of each kind from the server (default 20)")
    parser.add_argument("--refused-runs", type=support.positive, default=3,
                        help="fetches with nothing on the port (default 3)")
    args = parser.parse_args()
    build = support.Build(args.build_dir, args.port)
    build.require(build.bench_program)
    curl = shutil.which("curl")
    support.print_header("the version file fetch", build)
    if curl is None:
        print("   The curl command-line tool is missing (Debian package curl): no baseline.")

    content = support.version_file(support.own_version()).encode()
    rows, refused_rows = [], []
    with tempfile.TemporaryDirectory(prefix="quillbeck-bench-fetch-") as root:
        served = os.path.join(root, "server", "Nolva Client")
        os.makedirs(served)
        with open(os.path.join(served, "Version.ini"), "wb") as ini:
            ini.write(content)
        app_data = os.path.join(root, "config home")
        os.makedirs(app_data)
        local = os.path.join(app_data, "Version.ini")
        curl_local = os.path.join(root, "curl copy.ini")

        with FtpServer(os.path.join(root, "server"), port=build.port, user=build.user,
                       password=build.password) as server:
            records, _ = fetch_records(build, local, args.runs, warmup=1)
            if any(r["result"] != 1 or r["bytes"] != len(content) for r in records) or \
                    read(local) != content:
                raise support.BenchError(f"DownloadVersionFile did not fetch the file: {records}")
            rows.append(("DownloadVersionFile, one call in a running process",
                         [r["seconds"] for r in records]))

            one_shot = []
            for _ in range(args.runs):
                seconds, result = support.timed_run(
                    support.bench_command(build, "fetch", "--local", local, "--runs", "1"),
                    env=support.environment_without_proxies())
                if [r["result"] for r in support.records_of(result.stdout, "fetch")] != [1]:
                    raise support.BenchError(f"a one-shot fetch failed: {result.stdout}")
                one_shot.append(seconds)
            rows.append(("DownloadVersionFile, a whole process (start, libcurl set-up, fetch)",
                         one_shot))
            rows.append(("  of which: the same process's start and end alone",
                         support.process_start_alone(build, args.runs)))

            if curl is not None:
                downloads = []
                for _ in range(args.runs):
                    if os.path.exists(curl_local):
                        os.unlink(curl_local)
                    seconds, _ = support.timed_run(curl_command(curl, build, curl_local),
                                                   env=support.environment_without_proxies())
                    if read(curl_local) != content:
                        raise support.BenchError("curl fetched something else")
                    downloads.append(seconds)
                rows.append(("baseline: one curl command-line download (a whole process)",
                             downloads))

            asked = server.commands().count(f"RETR {support.REMOTE_PATH}")
            expected = 1 + args.runs * (3 if curl is not None else 2)
            if asked != expected:
                raise support.BenchError(f"the server saw {asked} requests for the file, not "
                                         f"{expected}: a fetch went elsewhere")
            logins = server.connections()

        if not support.port_is_closed(build.port):
            raise support.BenchError(f"something still listens on 127.0.0.1:{build.port}")
        records, output = fetch_records(build, local, args.refused_runs)
        errors = [line for line in output.splitlines() if line.startswith("ERROR!  ")]
        if any(r["result"] != 0 for r in records) or len(errors) != args.refused_runs:
            raise support.BenchError(f"a fetch without a server did not fail as it should: "
                                     f"{output}")
        refused_rows.append(("DownloadVersionFile, connection refused",
                             [r["seconds"] for r in records]))
        if curl is not None:
            attempts = []
            for _ in range(args.refused_runs):
                # curl's exit code 7: it could not connect.
                seconds, _ = support.timed_run(curl_command(curl, build, curl_local),
                                               expected_codes=(7,),
                                               env=support.environment_without_proxies())
                attempts.append(seconds)
            refused_rows.append(("baseline: curl, connection refused", attempts))

    print(f"   The file: {len(content)} bytes, served by pyftpdlib on 127.0.0.1:{build.port}. "
          f"{logins} control connections for\n   {expected} downloads: every fetch is a "
          "connection of its own. The launcher logs in first and then\n   fetches on the same "
          "connection; curl does both in one go. One warm-up call is not counted.")
    if curl is not None:
        print("   curl command:\n     " + " ".join(
            arg if " " not in arg else repr(arg)
            for arg in curl_command("curl", build, "OUT")).replace(build.password, "***"))
    support.print_rows("fetch from a server on loopback", rows)
    support.print_rows("no server on the port (one connection try, refused at once)",
                       refused_rows)


if __name__ == "__main__":
    support.main_of(main)
