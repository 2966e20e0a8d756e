// The temporary folder on POSIX.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "temp_folder.h"

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "quillbeck-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    m_path = pattern;
}

TempFolder::~TempFolder() {
    // Tests make files read-only on purpose: give write permission back before removing.
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(m_path, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_symlink()) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
    }
    fs::remove_all(m_path, error);
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}
