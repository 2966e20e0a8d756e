// Whole fetches of the version file, as the update check makes them: session, connection,
// log-in, download and close, each call on its own.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "benches.h"
#include "record.h"
#include "version_file_fetch.h"

int RunFetch(const Options& options) {
    const auto local = options.Text("--local");
    const auto remote = options.Text("--remote", "/Nolva Client/Version.ini");
    const auto runs = options.Number("--runs", 1, 10);
    // The first call of a process also sets up libcurl; a warm-up keeps that out of the
    // figures when only the fetch itself is wanted.
    const auto warmups = options.Number("--warmup", 0, 0);
    if (!local || local->empty() || !runs || !warmups) {
        std::fprintf(stderr, "fetch: --local PATH is needed; --runs >= 1, --warmup >= 0\n");
        return 64;
    }

    for (long run = -*warmups; run < *runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const int result = DownloadVersionFile(*remote, *local);
        const double seconds = SecondsSince(start);
        if (run < 0) continue;

        std::error_code error;
        const auto bytes = std::filesystem::file_size(*local, error);
        Record("fetch")
            .Add("run", static_cast<long long>(run))
            .Add("seconds", seconds)
            .Add("result", result)
            .Add("bytes", error ? -1LL : static_cast<long long>(bytes))
            .Print();
    }
    return 0;
}
