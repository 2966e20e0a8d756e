// The temporary folder on Windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <random>

#include "temp_folder.h"

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    char base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof(base), base);
    if (length == 0 || length > MAX_PATH) {
        ADD_FAILURE() << "no temporary folder";
        return;
    }
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate =
            std::string(base) + "quillbeck-test-" + std::to_string(random());
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            m_path = candidate;
            return;
        }
    }
    ADD_FAILURE() << "cannot create a temporary folder in " << base;
}

TempFolder::~TempFolder() {
    if (m_path.empty()) return;
    // Tests make files read-only on purpose: clear that before removing.
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(m_path, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(m_path, error);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
