// Times the launcher's own routines for the scripts beside it (see README.md there).
#include <cstdio>
#include <string>

#include "benches.h"
#include "options.h"

namespace {

constexpr int kUsageError = 64;

int Usage() {
    std::fprintf(stderr,
                 "usage: quillbeck_bench fetch --local PATH [--remote PATH] [--runs N] "
                 "[--warmup N]\n"
                 "       quillbeck_bench delete-tree --path PATH\n"
                 "       quillbeck_bench find-process --name NAME [--runs N]\n");
    return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = Options::Parse(argc, argv);
    if (!options) return Usage();
    const std::string& command = options->command();
    if (command == "fetch") return RunFetch(*options);
    if (command == "delete-tree") return RunDeleteTree(*options);
    if (command == "find-process") return RunFindProcess(*options);
    return Usage();
}
