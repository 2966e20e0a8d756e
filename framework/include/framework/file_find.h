// The directory search: the entries of one folder, one at a time.
#pragma once

#include <memory>
#include <optional>

#include "framework/types.h"

namespace framework::backend {
class FolderReader;  // read by the backend
}

// A search over the entries of one folder. The search reads one entry ahead: FindFile reads
// the first, and each FindNextFile makes the entry read ahead the current one and reads the
// next. The current entry's name and attributes are valid after the first FindNextFile, also
// after the one that returns FALSE. The destructor ends the search.
class CFileFind {
public:
    CFileFind();
    ~CFileFind();
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts a search with pattern "FOLDER/*.*" (or "FOLDER/*"), which matches every entry of
    // the folder, "." and ".." included, in the order the system delivers them. No other mask
    // is known, and a pattern of MAX_PATH or more bytes is refused. FALSE when the search
    // cannot start or the folder delivers no entry. flags is unused. A search already open is
    // ended first.
    BOOL FindFile(const char* pattern, DWORD flags = 0);

    // Makes the entry read ahead the current one and reads the next one ahead. FALSE when no
    // entry follows or reading it failed; the entry just made current is valid all the same.
    BOOL FindNextFile();

    // TRUE when the current entry is "." or "..".
    BOOL IsDots() const;

    // The current entry's name, without folder; empty before the first FindNextFile.
    CString GetFileName() const;

    // TRUE when the current entry carries any of the attribute bits. The attributes are
    // those of GetFileAttributesA, so a link is never a folder; an entry whose attributes
    // cannot be read carries none.
    BOOL MatchesMask(DWORD attribute) const;

    // Ends the search and releases the folder; harmless on a search that never started.
    void Close();

private:
    struct Entry {
        CString name;
        DWORD attributes;
    };

    void ReadAhead();

    std::unique_ptr<framework::backend::FolderReader> m_stream;  // the open folder
    std::optional<Entry> m_current;
    std::optional<Entry> m_ahead;
};
