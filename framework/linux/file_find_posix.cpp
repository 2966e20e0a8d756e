// The folder reading of the file finder on opendir/readdir.
#include <dirent.h>

#include <utility>

#include "backend/file_find.h"
#include "framework/files.h"

namespace framework::backend {

namespace {

class DirReader final : public FolderReader {
public:
    DirReader(DIR* opened, std::string prefix) : m_dir(opened), m_prefix(std::move(prefix)) {}
    ~DirReader() override { closedir(m_dir); }
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;

    bool Next(FolderEntry& entry) override {
        const dirent* read = readdir(m_dir);
        if (read == nullptr) return false;
        entry.name = read->d_name;
        // GetFileAttributesA's, so that a link is never a folder.
        entry.attributes = entry.name.empty() ? INVALID_FILE_ATTRIBUTES
                                              : GetFileAttributesA((m_prefix + entry.name).c_str());
        return true;
    }

private:
    DIR* m_dir;
    std::string m_prefix;
};

}  // namespace

std::unique_ptr<FolderReader> OpenFolder(const std::string&, const std::string& prefix) {
    DIR* dir = opendir(prefix.empty() ? "." : prefix.c_str());
    if (dir == nullptr) return nullptr;
    return std::make_unique<DirReader>(dir, prefix);
}

}  // namespace framework::backend
