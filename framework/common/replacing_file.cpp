#include "replacing_file.h"

#include <utility>

#include "framework/types.h"

namespace framework {

namespace {

constexpr std::string::size_type kNameMax = 255;

// The hidden name ".<name>.download" beside the target: fixed, so that a file left by a
// process killed in the middle of a download is found and replaced by the next one; hidden,
// so that nobody takes it for the real file meanwhile. A target whose name leaves no room for
// the additions gives ".download".
std::string TemporaryPath(const std::string& target) {
    const std::string::size_type slash = target.find_last_of(PATH_SEPARATORS);
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
    backend::RemoveFile(m_temporary);
    m_file = backend::CreateExclusive(m_temporary);
    m_created = static_cast<bool>(m_file);
}

ReplacingFile::~ReplacingFile() {
    m_file.reset();
    if (m_created && !m_committed) backend::RemoveFile(m_temporary);
}

bool ReplacingFile::Write(const char* data, std::size_t size) {
    return m_file && m_file->Write(data, size);
}

bool ReplacingFile::Commit(bool replace) {
    if (!m_file) return false;
    // A full disk or a failing write may only show at the flush; once it has succeeded,
    // closing reports nothing new.
    const bool flushed = m_file->Flush();
    m_file.reset();
    if (!flushed) return false;
    if (replace) {
        if (!backend::ReplaceFile(m_temporary, m_target)) return false;
    } else {
        if (!backend::LinkWithoutReplace(m_temporary, m_target)) return false;
        backend::RemoveFile(m_temporary);
    }
    m_committed = true;
    return true;
}

}  // namespace framework
