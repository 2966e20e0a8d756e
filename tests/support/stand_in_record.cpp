#include "stand_in_record.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string_view>
#include <thread>

namespace {

// Reads the flat JSON object that the stand-in writes: string and integer values only.
class LineParser {
public:
    explicit LineParser(std::string_view text) : m_text(text) {}

    std::optional<StandInRecord> Parse() {
        StandInRecord record;
        if (!Take('{')) return std::nullopt;
        if (Take('}')) return record;
        do {
            const std::optional<std::string> key = String();
            if (!key || !Take(':')) return std::nullopt;
            if (*key == "exe" || *key == "cwd") {
                const std::optional<std::string> value = String();
                if (!value) return std::nullopt;
                (*key == "exe" ? record.exe : record.cwd) = *value;
            } else {
                const std::optional<long> value = Integer();
                if (!value) return std::nullopt;
                if (*key == "argc") record.argc = *value;
                if (*key == "pid") record.pid = *value;
            }
        } while (Take(','));
        if (!Take('}')) return std::nullopt;
        SkipBlanks();
        if (m_position != m_text.size()) return std::nullopt;
        return record;
    }

private:
    void SkipBlanks() {
        while (m_position < m_text.size() && m_text[m_position] == ' ') ++m_position;
    }

    bool Take(char c) {
        SkipBlanks();
        if (m_position >= m_text.size() || m_text[m_position] != c) return false;
        ++m_position;
        return true;
    }

    std::optional<std::string> String() {
        if (!Take('"')) return std::nullopt;
        std::string value;
        while (m_position < m_text.size()) {
            const char c = m_text[m_position++];
            if (c == '"') return value;
            if (c != '\\') {
                value += c;
                continue;
            }
            if (m_position >= m_text.size()) return std::nullopt;
            const char escaped = m_text[m_position++];
            if (escaped == 'u') {
                if (m_position + 4 > m_text.size()) return std::nullopt;
                const std::string hex(m_text.substr(m_position, 4));
                m_position += 4;
                value += static_cast<char>(std::strtol(hex.c_str(), nullptr, 16));
            } else {
                value += escaped;
            }
        }
        return std::nullopt;
    }

    std::optional<long> Integer() {
        SkipBlanks();
        const std::size_t start = m_position;
        if (m_position < m_text.size() && m_text[m_position] == '-') ++m_position;
        while (m_position < m_text.size() && m_text[m_position] >= '0' &&
               m_text[m_position] <= '9') {
            ++m_position;
        }
        if (m_position == start) return std::nullopt;
        return std::strtol(std::string(m_text.substr(start, m_position - start)).c_str(), nullptr,
                           10);
    }

    std::string_view m_text;
    std::size_t m_position = 0;
};

// Complete lines only: a stand-in may be writing its line this very moment.
std::vector<std::string> CompleteLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t start = 0;
    for (std::size_t end; (end = content.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(content.substr(start, end - start));
    }
    return lines;
}

}  // namespace

std::vector<StandInRecord> ReadStandInRecords(const std::string& path) {
    std::vector<StandInRecord> records;
    for (const std::string& line : CompleteLines(path)) {
        if (std::optional<StandInRecord> record = LineParser(line).Parse()) {
            records.push_back(*record);
        } else {
            ADD_FAILURE() << "malformed stand-in record: " << line;
        }
    }
    return records;
}

std::vector<StandInRecord> WaitForStandInRecords(const std::string& path, std::size_t count,
                                                 std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (CompleteLines(path).size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ReadStandInRecords(path);
}
