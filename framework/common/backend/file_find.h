// The folder reading the common file finder asks of a backend.
#pragma once

#include <memory>
#include <string>

#include "framework/types.h"

namespace framework::backend {

struct FolderEntry {
    std::string name;
    DWORD attributes;  // as GetFileAttributesA gives them: a link is never a folder
};

// An open folder, read one entry at a time; the destructor closes it.
class FolderReader {
public:
    virtual ~FolderReader() = default;
    // Reads the next entry; false at the end of the folder or when reading failed.
    virtual bool Next(FolderEntry& entry) = 0;
};

// Opens the search for pattern, whose folder part (up to and including its last separator,
// empty for the current folder) is prefix; nullptr when the search cannot start.
std::unique_ptr<FolderReader> OpenFolder(const std::string& pattern, const std::string& prefix);

}  // namespace framework::backend
