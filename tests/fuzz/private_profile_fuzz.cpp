// Fuzzes the settings-file reader. Each input becomes a real file, read for a few keys with
// buffers of several sizes; every answer must stay inside its buffer and match a plain,
// line-by-line model of the documented file rules. The same input is read a second time
// behind a long comment line, so that its lines also cross the reader's chunk boundaries.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "framework/profile.h"

namespace {

// The reader takes the file in chunks of this size.
constexpr std::size_t kChunk = 16 * 1024;

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

// One file for the whole run, rewritten for each input.
class InputFile {
public:
    InputFile() {
        const char* folder = std::getenv("TMPDIR");
        m_path = std::string(folder != nullptr && folder[0] != '\0' ? folder : "/tmp") +
                 "/private-profile-fuzz-XXXXXX";
        m_fd = mkstemp(m_path.data());
        if (m_fd < 0) Fail("mkstemp", m_path);
    }
    ~InputFile() {
        close(m_fd);
        unlink(m_path.c_str());
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    void Write(const std::string& content) {
        if (ftruncate(m_fd, 0) != 0) Fail("ftruncate", m_path);
        std::size_t done = 0;
        while (done < content.size()) {
            const ssize_t written = pwrite(m_fd, content.data() + done, content.size() - done,
                                           static_cast<off_t>(done));
            if (written <= 0) Fail("pwrite", m_path);
            done += static_cast<std::size_t>(written);
        }
    }

    const char* path() const { return m_path.c_str(); }

private:
    std::string m_path;
    int m_fd = -1;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) return false;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The rules of framework/profile.h, one whole line at a time.
std::optional<std::string> ModelValue(std::string_view file, std::string_view section,
                                      std::string_view key) {
    if (file.substr(0, 3) == "\xEF\xBB\xBF") file.remove_prefix(3);
    bool inSection = false;
    while (!file.empty()) {
        const std::size_t end = file.find('\n');
        std::string_view line = file.substr(0, end);
        file = end == std::string_view::npos ? std::string_view() : file.substr(end + 1);
        line = line.substr(0, line.find('\0'));
        while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos) {
                inSection = SameName(line.substr(1, close - 1), section);
            }
            continue;
        }
        if (!inSection) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || !SameName(Trim(line.substr(0, equals)), key)) {
            continue;
        }
        std::string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

void CheckRead(const InputFile& file, const std::string& content, const char* section,
               const char* key, const char* defaultValue) {
    const std::optional<std::string> found = ModelValue(content, section, key);
    const std::string whole = found ? *found : (defaultValue != nullptr ? defaultValue : "");
    const DWORD sizes[] = {1, 2, 3, 8, 260, static_cast<DWORD>(content.size() + 2)};
    for (const DWORD size : sizes) {
        // Exactly the room given, on the heap, so that a write past it is caught; filled, so
        // that a missing terminator shows.
        auto buffer = std::make_unique<char[]>(size);
        std::memset(buffer.get(), 'X', size);
        const DWORD copied =
            GetPrivateProfileStringA(section, key, defaultValue, buffer.get(), size, file.path());
        const std::size_t length = strnlen(buffer.get(), size);
        if (length == size) Fail("no terminator within the room", std::to_string(size));
        if (copied != length) Fail("count and text differ", std::to_string(size));
        const std::string expected = whole.substr(0, size - 1);
        if (std::string(buffer.get(), length) != expected) {
            Fail("value differs from the rules",
                 std::string(section) + "/" + key + " room " + std::to_string(size) + " got \"" +
                     std::string(buffer.get(), length) + "\" expected \"" + expected + "\"");
        }
    }
}

void CheckFile(InputFile& file, const std::string& content) {
    file.Write(content);
    CheckRead(file, content, "Version Info", "Version", nullptr);
    CheckRead(file, content, "Version Info", "FileName", nullptr);
    CheckRead(file, content, "s", "k", "default");
    CheckRead(file, content, "s", "k k", nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static InputFile file;
    const std::string content(reinterpret_cast<const char*>(data), size);
    CheckFile(file, content);
    // A comment line that ends a little before the first chunk's end.
    const std::size_t offset = 1 + size % 64;
    CheckFile(file, ";" + std::string(kChunk - offset - 2, 'p') + "\n" + content);
    return 0;
}
