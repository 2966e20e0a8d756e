#include "replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace framework::backend {

namespace {

constexpr std::string::size_type kNameMax = 255;

// The hidden name ".<name>.download" beside the target: fixed, so that a file left by a
// process killed in the middle of a download is found and replaced by the next one; hidden,
// so that nobody takes it for the real file meanwhile. A target whose name leaves no room for
// the additions gives ".download".
std::string TemporaryPath(const std::string& target) {
    const std::string::size_type slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = "." + name + ".download";
    if (temporary.size() > kNameMax) temporary = ".download";
    return folder + temporary;
}

}  // namespace

ReplacingFile::ReplacingFile(std::string target)
    : m_target(std::move(target)), m_temporary(TemporaryPath(m_target)) {
    // Whatever stands at the temporary name is a leftover; a link there is removed, never
    // followed. A folder there stays, and then no download can be made.
    unlink(m_temporary.c_str());
    // An ordinary new file: 0666, narrowed by the umask.
    UniqueFd fd(open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                     0666));
    if (!fd) return;
    // An ordinary file is never read-only for its owner, whatever the umask took away: it
    // could not be replaced or deleted later, and might not be read back.
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 ||
        fchmod(fd.get(), (info.st_mode & 07777) | S_IRUSR | S_IWUSR) != 0) {
        unlink(m_temporary.c_str());
        return;
    }
    m_fd = std::move(fd);
    m_created = true;
}

ReplacingFile::~ReplacingFile() {
    if (m_created && !m_committed) unlink(m_temporary.c_str());
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
