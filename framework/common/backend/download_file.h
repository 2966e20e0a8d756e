// The file operations the common download code asks of a backend.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace framework::backend {

// A file open for writing; the destructor closes it.
class WritableFile {
public:
    virtual ~WritableFile() = default;
    // Writes all of data; false on any failure.
    virtual bool Write(const char* data, std::size_t size) = 0;
    // Makes what was written durable; a full disk may show only here.
    virtual bool Flush() = 0;
};

// Creates a new ordinary file at path where nothing stands, never through a link, readable
// and writable by its owner whatever the umask; nullptr on failure, with nothing left there.
std::unique_ptr<WritableFile> CreateExclusive(const std::string& path);

// Removes the file or link at path, never a folder; false when nothing was removed.
bool RemoveFile(const std::string& path);

// Moves from to to in one step, replacing a file or link there but never a folder.
bool ReplaceFile(const std::string& from, const std::string& to);

// Gives the file from the further name to only where nothing stands, with no window for a race.
bool LinkWithoutReplace(const std::string& from, const std::string& to);

}  // namespace framework::backend
