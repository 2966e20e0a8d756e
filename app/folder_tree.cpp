#include <cstddef>
#include <cstdio>

#include "framework/file_find.h"
#include "framework/files.h"
#include "quillbeck_app.h"

namespace {
// Each level of the walk composes its texts in buffers of this size.
constexpr std::size_t kTextSize = 200;

// Whether an snprintf into a kTextSize buffer kept the whole text. A cut path can name
// another, existing file or folder, so a text that did not fit is never used.
bool Whole(int length) { return length >= 0 && static_cast<std::size_t>(length) < kTextSize; }
}  // namespace

void CQuillbeckApp::DeleteFolderTree(CString folderPath) {
    char pattern[kTextSize];
    char entryName[kTextSize];
    char entryPath[kTextSize];

    // A folder too long to search is left whole, with everything in it.
    if (!Whole(std::snprintf(pattern, sizeof(pattern), "%s%c*.*", folderPath.c_str(),
                             PATH_SEPARATOR))) {
        return;
    }

    CFileFind finder;
    BOOL more = finder.FindFile(pattern, 0);
    while (more) {
        // The entry handled now is the one read ahead; the last is handled when this is FALSE.
        more = finder.FindNextFile();
        if (finder.IsDots()) continue;

        // Entries whose name or path does not fit are passed over: they stay, and so do the
        // folders above them.
        if (!Whole(
                std::snprintf(entryName, sizeof(entryName), "%s", finder.GetFileName().c_str()))) {
            continue;
        }
        if (!Whole(std::snprintf(entryPath, sizeof(entryPath), "%s%c%s", folderPath.c_str(),
                                 PATH_SEPARATOR, entryName))) {
            continue;
        }

        // A link is never a folder: it is deleted as a file and never walked through.
        if (finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFolderTree(CString(entryPath));
        } else {
            DeleteFileA(entryPath);
        }
    }
    // No search may be open on the folder when it is removed.
    finder.Close();

    folderPath += PATH_SEPARATOR;
    RemoveDirectoryA(folderPath.c_str());
}
