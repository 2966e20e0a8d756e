// One removal of a cache folder tree, as the update check makes it.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "benches.h"
#include "quillbeck_app.h"
#include "record.h"

namespace fs = std::filesystem;

namespace {

bool IsRealFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(fs::symlink_status(path, error));
}

bool IsGone(const fs::path& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() == fs::file_type::not_found;
}

}  // namespace

int RunDeleteTree(const Options& options) {
    const auto path = options.Text("--path");
    if (!path || path->empty()) {
        std::fprintf(stderr, "delete-tree: --path PATH is needed\n");
        return 64;
    }
    // A missing tree would time nothing at all.
    if (!IsRealFolder(*path)) {
        std::fprintf(stderr, "delete-tree: %s is no folder\n", path->c_str());
        return 2;
    }

    CQuillbeckApp app;
    // Processor time beside the wall clock: on a busy disk the wall clock is mostly waiting.
    const std::clock_t processorStart = std::clock();
    const auto start = std::chrono::steady_clock::now();
    app.DeleteFolderTree(*path);
    const double seconds = SecondsSince(start);
    const double processorSeconds =
        static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC;

    // The removal reports nothing itself; a tree it left standing makes the time no figure.
    const bool removed = IsGone(*path);
    Record("delete-tree")
        .Add("seconds", seconds)
        .Add("cpu_seconds", processorSeconds)
        .Add("removed", removed ? 1 : 0)
        .Print();
    return removed ? 0 : 1;
}
