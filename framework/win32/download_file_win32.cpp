// The download's file operations on Win32 file handles.
#include <algorithm>
#include <limits>
#include <memory>
#include <utility>

#include "backend/download_file.h"
#include "framework/files.h"

namespace framework::backend {

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

class Win32File final : public WritableFile {
public:
    explicit Win32File(UniqueHandle handle) : m_handle(std::move(handle)) {}

    bool Write(const char* data, std::size_t size) override {
        while (size > 0) {
            const DWORD chunk =
                static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
            DWORD written = 0;
            if (!WriteFile(m_handle.get(), data, chunk, &written, nullptr) || written == 0) {
                return false;
            }
            data += written;
            size -= written;
        }
        return true;
    }

    bool Flush() override { return FlushFileBuffers(m_handle.get()) != FALSE; }

private:
    UniqueHandle m_handle;
};

}  // namespace

// CREATE_NEW fails where anything stands, a link included, so nothing is followed. A new file
// with normal attributes is never read-only.
std::unique_ptr<WritableFile> CreateExclusive(const std::string& path) {
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(UniqueHandle(handle));
}

// DeleteFileA never removes a folder. A read-only file is removed as well, as an unlink
// would: a leftover that cannot be removed would block every later download.
bool RemoveFile(const std::string& path) {
    if (DeleteFileA(path.c_str())) return true;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        (attributes & FILE_ATTRIBUTE_READONLY) == 0) {
        return false;
    }
    if (!SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
    if (DeleteFileA(path.c_str())) return true;
    SetFileAttributesA(path.c_str(), attributes);
    return false;
}

// Replaces a file but never a folder, in one step.
bool ReplaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

// Without MOVEFILE_REPLACE_EXISTING the move fails where anything stands; the check and the
// move are one step of the file system.
bool LinkWithoutReplace(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace framework::backend
