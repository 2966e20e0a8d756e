// A new file that takes the place of a path only once it is complete, so that a failed
// write never leaves a partial or empty file there.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "backend/download_file.h"

namespace framework {

class ReplacingFile {
public:
    // Creates the temporary file ".<name>.download" in the target's folder (the same file
    // system, so that the final move is atomic), in place of any file left there. It is
    // readable and writable by its owner whatever the umask.
    explicit ReplacingFile(std::string target);
    // Removes the temporary file unless it has been committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // false when the temporary file could not be created.
    bool ok() const { return static_cast<bool>(m_file); }

    bool Write(const char* data, std::size_t size);

    // Flushes and closes the temporary file and moves it to the target: over an existing
    // file when replace is set, else only where nothing stands. false on any failure, with
    // the target left as it was.
    bool Commit(bool replace);

private:
    std::string m_target;
    std::string m_temporary;
    std::unique_ptr<backend::WritableFile> m_file;
    bool m_created = false;
    bool m_committed = false;
};

}  // namespace framework
