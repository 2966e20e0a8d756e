// The directory search on FindFirstFileA/FindNextFileA. The system hands over the first entry
// when the search starts; it is kept until the read-ahead takes it.
#include <cstring>
#include <utility>

#include "framework/file_find.h"
#include "framework/files.h"

struct CFileFind::Stream {
    Stream(HANDLE opened, const WIN32_FIND_DATAA& firstEntry) : find(opened), first(firstEntry) {}
    ~Stream() { FindClose(find); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    HANDLE find;
    WIN32_FIND_DATAA first;
    bool firstTaken = false;
};

namespace {

// Only the masks that match every entry are known; any other is refused, not taken for them.
bool MatchesEveryEntry(const char* mask) {
    return std::strcmp(mask, "*.*") == 0 || std::strcmp(mask, "*") == 0;
}

// A link or junction to a folder is not a folder of this tree: whoever walks the tree must
// not go through it into the folder it points at.
DWORD AttributesOf(const WIN32_FIND_DATAA& entry) {
    DWORD attributes = entry.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) attributes &= ~FILE_ATTRIBUTE_DIRECTORY;
    return attributes;
}

}  // namespace

CFileFind::CFileFind() = default;

CFileFind::~CFileFind() = default;

BOOL CFileFind::FindFile(const char* pattern, DWORD) {
    Close();
    if (pattern == nullptr || std::strlen(pattern) >= MAX_PATH) return FALSE;

    // The system takes either slash as a separator.
    const char* separator = std::strrchr(pattern, PATH_SEPARATOR);
    if (const char* slash = std::strrchr(pattern, '/'); slash != nullptr && slash > separator) {
        separator = slash;
    }
    const char* mask = separator != nullptr ? separator + 1 : pattern;
    if (!MatchesEveryEntry(mask)) return FALSE;

    WIN32_FIND_DATAA first{};
    const HANDLE find = FindFirstFileA(pattern, &first);
    if (find == INVALID_HANDLE_VALUE) return FALSE;
    m_stream = std::make_unique<Stream>(find, first);
    m_prefix.assign(pattern, static_cast<CString::size_type>(mask - pattern));

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
        WIN32_FIND_DATAA entry{};
        if (!m_stream->firstTaken) {
            entry = m_stream->first;
            m_stream->firstTaken = true;
        } else if (!::FindNextFileA(m_stream->find, &entry)) {
            // The end of the folder and a failed read both end the search.
            return;
        }
        if (entry.cFileName[0] == '\0') continue;  // no usable name: passed over
        m_ahead = Entry{CString(entry.cFileName), AttributesOf(entry)};
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
