// The file finder's read-ahead over the entries a backend reads from an open folder.
#include "framework/file_find.h"

#include <cstring>
#include <utility>

#include "backend/file_find.h"

namespace {

// Only the masks that match every entry are known; any other is refused, not taken for them.
bool MatchesEveryEntry(const char* mask) {
    return std::strcmp(mask, "*.*") == 0 || std::strcmp(mask, "*") == 0;
}

// The system's own separator and the forward slash both end the folder part (on POSIX the
// two are the same).
const char* LastSeparator(const char* pattern) {
    const char* separator = std::strrchr(pattern, PATH_SEPARATOR);
    if (const char* slash = std::strrchr(pattern, '/'); slash != nullptr && slash > separator) {
        separator = slash;
    }
    return separator;
}

}  // namespace

CFileFind::CFileFind() = default;

CFileFind::~CFileFind() = default;

BOOL CFileFind::FindFile(const char* pattern, DWORD) {
    Close();
    if (pattern == nullptr || std::strlen(pattern) >= MAX_PATH) return FALSE;

    const char* separator = LastSeparator(pattern);
    const char* mask = separator != nullptr ? separator + 1 : pattern;
    if (!MatchesEveryEntry(mask)) return FALSE;

    const CString prefix(pattern, static_cast<CString::size_type>(mask - pattern));
    m_stream = framework::backend::OpenFolder(pattern, prefix);
    if (!m_stream) return FALSE;

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
    framework::backend::FolderEntry entry;
    // The end of the folder and a failed read both end the search.
    while (m_stream->Next(entry)) {
        if (entry.name.empty()) continue;  // no usable name: passed over
        m_ahead = Entry{CString(std::move(entry.name)), entry.attributes};
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
    m_current.reset();
    m_ahead.reset();
}
