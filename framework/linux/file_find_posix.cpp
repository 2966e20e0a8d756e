#include <dirent.h>

#include <cstring>
#include <utility>

#include "framework/file_find.h"
#include "framework/files.h"

struct CFileFind::Stream {
    explicit Stream(DIR* opened) : dir(opened) {}
    ~Stream() { closedir(dir); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    DIR* dir;
};

namespace {
// Only the masks that match every entry are known; any other is refused, not taken for them.
bool MatchesEveryEntry(const char* mask) {
    return std::strcmp(mask, "*.*") == 0 || std::strcmp(mask, "*") == 0;
}
}  // namespace

CFileFind::CFileFind() = default;

CFileFind::~CFileFind() = default;

BOOL CFileFind::FindFile(const char* pattern, DWORD) {
    Close();
    if (pattern == nullptr || std::strlen(pattern) >= MAX_PATH) return FALSE;

    const char* separator = std::strrchr(pattern, PATH_SEPARATOR);
    const char* mask = separator != nullptr ? separator + 1 : pattern;
    if (!MatchesEveryEntry(mask)) return FALSE;

    CString prefix(pattern, static_cast<CString::size_type>(mask - pattern));
    DIR* dir = opendir(prefix.empty() ? "." : prefix.c_str());
    if (dir == nullptr) return FALSE;
    m_stream = std::make_unique<Stream>(dir);
    m_prefix = std::move(prefix);

    ReadAhead();
    if (!m_ahead) {
        Close();
        return FALSE;
    }
    return TRUE;
}

BOOL CFileFind::FindNextFile() {
    if (!m_ahead) return FALSE;
    m_current = std::move(m_ahead);
    ReadAhead();
    return m_ahead ? TRUE : FALSE;
}

void CFileFind::ReadAhead() {
    m_ahead.reset();
    if (!m_stream) return;
    for (;;) {
        const dirent* entry = readdir(m_stream->dir);
        // The end of the folder and a failed read both end the search.
        if (entry == nullptr) return;
        if (entry->d_name[0] == '\0') continue;  // no usable name: passed over
        CString name(entry->d_name);
        const DWORD attributes = GetFileAttributesA((m_prefix + name).c_str());
        m_ahead = Entry{std::move(name), attributes};
        return;
    }
}

BOOL CFileFind::IsDots() const {
    return m_current && (m_current->name == "." || m_current->name == "..") ? TRUE : FALSE;
}

CString CFileFind::GetFileName() const { return m_current ? m_current->name : CString(); }

BOOL CFileFind::MatchesMask(DWORD attribute) const {
    if (!m_current || m_current->attributes == INVALID_FILE_ATTRIBUTES) return FALSE;
    return (m_current->attributes & attribute) != 0 ? TRUE : FALSE;
}

void CFileFind::Close() {
    m_stream.reset();
    m_prefix.clear();
    m_current.reset();
    m_ahead.reset();
}
