// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, without a trailing separator.
    const std::string& path() const { return m_path; }
    // path() + the system's separator + relative
    std::string operator/(const std::string& relative) const {
        return m_path + kSeparator + relative;
    }

private:
#ifdef _WIN32
    static constexpr char kSeparator = '\\';
#else
    static constexpr char kSeparator = '/';
#endif

    std::string m_path;
};

// Small file helpers for test fixtures; each fails the test on error.
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
void MakeFolders(const std::string& path);
bool Exists(const std::string& path);  // without following a final link
