// Calls of the running-process guard, each over a fresh snapshot of the process list.
#include <chrono>
#include <cstdio>

#include "benches.h"
#include "process_guard.h"
#include "record.h"

int RunFindProcess(const Options& options) {
    const auto name = options.Text("--name");
    const auto runs = options.Number("--runs", 1, 10);
    if (!name || !runs) {
        std::fprintf(stderr, "find-process: --name NAME is needed; --runs >= 1\n");
        return 64;
    }

    for (long run = 0; run < *runs; ++run) {
        DWORD processId = 0;
        const auto start = std::chrono::steady_clock::now();
        const int found = FindRunningProcess(*name, processId);
        const double seconds = SecondsSince(start);
        Record("find-process")
            .Add("run", static_cast<long long>(run))
            .Add("seconds", seconds)
            .Add("found", found)
            .Add("pid", static_cast<long long>(processId))
            .Print();
    }
    return 0;
}
