// The folder reading of the file finder on FindFirstFileA/FindNextFileA. The system hands over
// the first entry when the search starts; it is kept until the first read takes it.
#include "backend/file_find.h"
#include "framework/files.h"

namespace framework::backend {

namespace {

// A link or junction to a folder is not a folder of this tree: whoever walks the tree must
// not go through it into the folder it points at.
DWORD AttributesOf(const WIN32_FIND_DATAA& entry) {
    DWORD attributes = entry.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) attributes &= ~FILE_ATTRIBUTE_DIRECTORY;
    return attributes;
}

class FindReader final : public FolderReader {
public:
    FindReader(HANDLE opened, const WIN32_FIND_DATAA& firstEntry)
        : m_find(opened), m_first(firstEntry) {}
    ~FindReader() override { FindClose(m_find); }
    FindReader(const FindReader&) = delete;
    FindReader& operator=(const FindReader&) = delete;

    bool Next(FolderEntry& entry) override {
        WIN32_FIND_DATAA read{};
        if (!m_firstTaken) {
            read = m_first;
            m_firstTaken = true;
        } else if (!::FindNextFileA(m_find, &read)) {
            return false;
        }
        entry.name = read.cFileName;
        entry.attributes = AttributesOf(read);
        return true;
    }

private:
    HANDLE m_find;
    WIN32_FIND_DATAA m_first;
    bool m_firstTaken = false;
};

}  // namespace

std::unique_ptr<FolderReader> OpenFolder(const std::string& pattern, const std::string&) {
    WIN32_FIND_DATAA first{};
    const HANDLE find = FindFirstFileA(pattern.c_str(), &first);
    if (find == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<FindReader>(find, first);
}

}  // namespace framework::backend
