#include "process_guard.h"

#include <algorithm>
#include <memory>

#include "framework/mbstring.h"
#include "framework/toolhelp.h"

namespace {

struct SnapshotCloser {
    void operator()(void* snapshot) const { CloseHandle(snapshot); }
};

// Closes the snapshot on every road out, the string class's memory exception included.
using SnapshotHandle = std::unique_ptr<void, SnapshotCloser>;

// The entry's name as text, exactly as the record holds it, read no further than its field.
CString EntryName(const PROCESSENTRY32& entry) {
    const char* begin = entry.szExeFile;
    const char* end = std::find(begin, begin + sizeof(entry.szExeFile), '\0');
    return CString(begin, end);
}

bool SameName(const CString& first, const CString& second) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(first.c_str()),
                    reinterpret_cast<const unsigned char*>(second.c_str())) == 0;
}

// The snapshot carries bare executable names: an empty name, or one with a folder part, names
// no executable, whatever the snapshot holds (a process being created may show no name yet).
bool IsBareName(const CString& name) {
    return !name.empty() && name.find_first_of(CString{PATH_SEPARATOR, '/'}) == CString::npos;
}

}  // namespace

int FindRunningProcess(const CString& name, DWORD& processId) {
    if (!IsBareName(name)) return 0;
    // A refused snapshot is not tested here: its first read fails and the answer is 0.
    const SnapshotHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPALL, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(PROCESSENTRY32);
    if (!Process32First(snapshot.get(), &entry)) return 0;
    do {
        const CString entryName = EntryName(entry);
        if (SameName(entryName, name)) {
            processId = entry.th32ProcessID;
            return 1;
        }
    } while (Process32Next(snapshot.get(), &entry));
    return 0;
}
