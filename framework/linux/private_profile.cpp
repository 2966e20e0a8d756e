// The settings-file reader. It streams the file through a small buffer and keeps no line,
// so a huge file, a line without end or a huge value costs no more memory than a short one.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>

#include "framework/profile.h"
#include "regular_file.h"

using framework::backend::OpenRegularFile;
using framework::backend::ReadAt;
using framework::backend::ReadSomeAt;
using framework::backend::RegularFile;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares a name with the wanted one byte by byte as it arrives. With trimming, blanks are
// only tentatively matched until a later byte shows they were not trailing.
class NameMatcher {
public:
    NameMatcher(std::string_view wanted, bool trimTrailingBlanks)
        : m_wanted(wanted), m_trim(trimTrailingBlanks) {}

    void Reset() {
        m_matched = 0;
        m_committed = 0;
        m_blankMismatch = false;
        m_failed = false;
    }

    void Feed(char c) {
        if (m_failed) return;
        if (m_trim && IsBlank(c)) {
            if (!m_blankMismatch && m_matched < m_wanted.size() && m_wanted[m_matched] == c) {
                ++m_matched;
            } else {
                m_blankMismatch = true;
            }
            return;
        }
        if (m_blankMismatch || m_matched >= m_wanted.size() ||
            FoldAscii(m_wanted[m_matched]) != FoldAscii(c)) {
            m_failed = true;
            return;
        }
        m_committed = ++m_matched;
    }

    bool Matches() const { return !m_failed && m_committed == m_wanted.size(); }

private:
    std::string_view m_wanted;
    bool m_trim;
    std::size_t m_matched = 0;    // wanted bytes matched, blanks included
    std::size_t m_committed = 0;  // of those, up to the last byte that was no blank
    bool m_blankMismatch = false;
    bool m_failed = false;
};

// Gathers a value straight into the caller's buffer. It keeps the first size bytes after the
// leading blanks (room for size - 1 bytes of text plus an opening quote) and remembers where
// the trailing blanks begin, so trimming and unquoting need nothing more.
class ValueCollector {
public:
    ValueCollector(char* out, DWORD size) : m_out(out), m_room(size) {}

    void Feed(char c) {
        if (m_length == 0 && IsBlank(c)) return;
        if (m_length < m_room) m_out[m_length] = c;
        ++m_length;
        if (!IsBlank(c)) {
            m_end = m_length;
            m_last = c;
        }
    }

    DWORD Finish() {
        std::size_t begin = 0;
        std::size_t end = m_end;
        if (end >= 2 && (m_out[0] == '"' || m_out[0] == '\'') && m_last == m_out[0]) {
            begin = 1;
            --end;
        }
        const std::size_t kept = std::min<std::size_t>(end - begin, m_room - 1);
        std::memmove(m_out, m_out + begin, kept);
        m_out[kept] = '\0';
        return static_cast<DWORD>(kept);
    }

private:
    char* m_out;
    std::size_t m_room;
    std::size_t m_length = 0;  // bytes after the leading blanks
    std::size_t m_end = 0;     // length up to the last byte that was no blank
    char m_last = '\0';
};

// Walks the file's lines, one byte at a time except where a line is skipped.
class ProfileScanner {
public:
    ProfileScanner(std::string_view section, std::string_view key, char* out, DWORD size)
        : m_section(section, false), m_key(key, true), m_value(out, size) {}

    // Takes the next bytes of the file; true once the value is complete.
    bool Feed(const char* data, std::size_t length) {
        const char* const end = data + length;
        while (data < end) {
            if (m_state == State::kSkipLine) {
                const void* lineEnd = std::memchr(data, '\n', static_cast<std::size_t>(end - data));
                if (lineEnd == nullptr) return false;
                data = static_cast<const char*>(lineEnd) + 1;
                m_state = State::kLineStart;
                continue;
            }
            if (Step(*data++)) return true;
        }
        return false;
    }

    // At the end of the file: the value, when one was found.
    std::optional<DWORD> Finish() {
        // The state stays on the value once its line has ended.
        if (m_state != State::kValue) return std::nullopt;
        return m_value.Finish();
    }

private:
    enum class State { kLineStart, kSectionName, kKey, kValue, kSkipLine };

    bool Step(char c) {
        if (c == '\n') return EndLine();
        if (c == '\0') {
            // The line's text ends here; a value gathered so far is complete.
            if (m_state == State::kValue) return true;
            m_state = State::kSkipLine;
            return false;
        }
        switch (m_state) {
            case State::kLineStart:
                if (IsBlank(c)) break;
                if (c == ';') {
                    m_state = State::kSkipLine;
                } else if (c == '[') {
                    m_section.Reset();
                    m_state = State::kSectionName;
                } else if (m_inSection) {
                    m_key.Reset();
                    m_state = State::kKey;
                    return Step(c);
                } else {
                    m_state = State::kSkipLine;
                }
                break;
            case State::kSectionName:
                if (c == ']') {
                    m_inSection = m_section.Matches();
                    m_state = State::kSkipLine;
                } else {
                    m_section.Feed(c);
                }
                break;
            case State::kKey:
                if (c == '=') {
                    m_state = m_key.Matches() ? State::kValue : State::kSkipLine;
                } else {
                    m_key.Feed(c);
                }
                break;
            case State::kValue:
                m_value.Feed(c);
                break;
            case State::kSkipLine:
                break;
        }
        return false;
    }

    // A section line without "]" and a key line without "=" change nothing.
    bool EndLine() {
        if (m_state == State::kValue) return true;
        m_state = State::kLineStart;
        return false;
    }

    NameMatcher m_section;
    NameMatcher m_key;
    ValueCollector m_value;
    State m_state = State::kLineStart;
    bool m_inSection = false;
};

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

std::optional<DWORD> FindValue(const RegularFile& file, const char* section, const char* key,
                               char* returned, DWORD size) {
    ProfileScanner scanner(section, key, returned, size);
    std::uint64_t offset = 0;
    char mark[3];
    if (ReadAt(file, 0, mark, sizeof(mark)) && std::memcmp(mark, kByteOrderMark, 3) == 0) {
        offset = 3;
    }
    std::array<char, 16 * 1024> chunk;
    for (;;) {
        const long long count = ReadSomeAt(file, offset, chunk.data(), chunk.size());
        if (count < 0) return std::nullopt;
        if (count == 0 || scanner.Feed(chunk.data(), static_cast<std::size_t>(count))) {
            return scanner.Finish();
        }
        offset += static_cast<std::uint64_t>(count);
    }
}

DWORD CopyCut(const char* text, char* returned, DWORD size) {
    const std::size_t kept = std::min<std::size_t>(std::strlen(text), size - 1);
    std::memcpy(returned, text, kept);
    returned[kept] = '\0';
    return static_cast<DWORD>(kept);
}

}  // namespace

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* returned, DWORD size, const char* fileName) {
    if (returned == nullptr || size == 0) return 0;
    if (section != nullptr && key != nullptr) {
        if (const std::optional<RegularFile> file = OpenRegularFile(fileName)) {
            if (const std::optional<DWORD> copied =
                    FindValue(*file, section, key, returned, size)) {
                return *copied;
            }
        }
    }
    return CopyCut(defaultValue != nullptr ? defaultValue : "", returned, size);
}
