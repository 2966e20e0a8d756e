// The download's file operations on POSIX file descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "backend/download_file.h"
#include "unique_fd.h"

namespace framework::backend {

namespace {

class PosixFile final : public WritableFile {
public:
    explicit PosixFile(UniqueFd fd) : m_fd(std::move(fd)) {}

    bool Write(const char* data, std::size_t size) override {
        while (size > 0) {
            const ssize_t written = write(m_fd.get(), data, size);
            if (written < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }

    bool Flush() override { return fsync(m_fd.get()) == 0; }

private:
    UniqueFd m_fd;
};

}  // namespace

std::unique_ptr<WritableFile> CreateExclusive(const std::string& path) {
    // An ordinary new file: 0666, narrowed by the umask.
    UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd) return nullptr;
    // An ordinary file is never read-only for its owner, whatever the umask took away: it
    // could not be replaced or deleted later, and might not be read back.
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 ||
        fchmod(fd.get(), (info.st_mode & 07777) | S_IRUSR | S_IWUSR) != 0) {
        unlink(path.c_str());
        return nullptr;
    }
    return std::make_unique<PosixFile>(std::move(fd));
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

// rename() replaces a file or a link, but never a folder.
bool ReplaceFile(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0;
}

// link() fails where anything stands, without a window for a race.
bool LinkWithoutReplace(const std::string& from, const std::string& to) {
    return link(from.c_str(), to.c_str()) == 0;
}

}  // namespace framework::backend
