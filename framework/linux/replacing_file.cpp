#include "replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

namespace framework::backend {

namespace {

std::string FolderOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A name of fixed length beside the target, so that a long target name cannot make it too
// long; hidden, so that nobody takes it for the real file meanwhile.
std::string TemporaryName(const std::string& folder, std::mt19937_64& random) {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = folder + (folder == "/" ? "" : "/") + ".download-";
    std::uniform_int_distribution<int> pick(0, sizeof(kDigits) - 2);
    for (int i = 0; i < 12; ++i) name += kDigits[pick(random)];
    return name;
}

}  // namespace

ReplacingFile::ReplacingFile(std::string target) : m_target(std::move(target)) {
    const std::string folder = FolderOf(m_target);
    std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string candidate = TemporaryName(folder, random);
        // An ordinary new file: 0666, narrowed by the umask.
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = UniqueFd(fd);
            m_temporary = std::move(candidate);
            return;
        }
        if (errno != EEXIST) return;
    }
}

ReplacingFile::~ReplacingFile() {
    if (!m_temporary.empty() && !m_committed) unlink(m_temporary.c_str());
}

bool ReplacingFile::Write(const char* data, std::size_t size) {
    if (!m_fd) return false;
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

bool ReplacingFile::Commit(bool replace) {
    if (!m_fd) return false;
    // A full disk or a failing write may only show at the flush; once it has succeeded,
    // closing reports nothing new.
    const bool flushed = fsync(m_fd.get()) == 0;
    m_fd = UniqueFd();
    if (!flushed) return false;
    if (replace) {
        // rename() replaces a file or a link, but never a folder.
        if (rename(m_temporary.c_str(), m_target.c_str()) != 0) return false;
    } else {
        // link() fails where anything stands, without a window for a race.
        if (link(m_temporary.c_str(), m_target.c_str()) != 0) return false;
        unlink(m_temporary.c_str());
    }
    m_committed = true;
    return true;
}

}  // namespace framework::backend
