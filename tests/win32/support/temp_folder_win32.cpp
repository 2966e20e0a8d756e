// The test fixtures' files on Windows; the interface is the Linux tests' own.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

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

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out) << "cannot write " << path;
    out << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void MakeFolders(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    ASSERT_FALSE(error) << "cannot create " << path << ": " << error.message();
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
