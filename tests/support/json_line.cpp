#include "json_line.h"

#include <cctype>
#include <cstring>

namespace {

void AppendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : m_text(text) {}

    bool Skip(char expected) {
        SkipBlanks();
        if (m_pos >= m_text.size() || m_text[m_pos] != expected) return false;
        ++m_pos;
        return true;
    }

    bool String(std::string& out) {
        if (!Skip('"')) return false;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size()) return false;
            const char escape = m_text[m_pos++];
            if (escape == 'u') {
                unsigned long code = 0;
                if (!Hex4(code)) return false;
                // A surrogate pair encodes one character beyond the first plane.
                if (code >= 0xD800 && code < 0xDC00 && m_text.compare(m_pos, 2, "\\u") == 0) {
                    m_pos += 2;
                    unsigned long low = 0;
                    if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, code);
                continue;
            }
            static constexpr char kEscapes[] = "\"\\/bfnrt";
            static constexpr char kMeanings[] = "\"\\/\b\f\n\r\t";
            const char* found = std::strchr(kEscapes, escape);
            if (escape == '\0' || found == nullptr) return false;
            out += kMeanings[found - kEscapes];
        }
        return false;
    }

    // A string, or an integer kept as its text.
    bool Value(std::string& out) {
        SkipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == '"') return String(out);
        const std::string::size_type start = m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '-') ++m_pos;
        while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) {
            ++m_pos;
        }
        out = m_text.substr(start, m_pos - start);
        return !out.empty() && out != "-";
    }

    bool AtEnd() {
        SkipBlanks();
        return m_pos == m_text.size();
    }

private:
    void SkipBlanks() {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos]))) {
            ++m_pos;
        }
    }

    bool Hex4(unsigned long& code) {
        if (m_pos + 4 > m_text.size()) return false;
        const std::string digits = m_text.substr(m_pos, 4);
        for (char c : digits) {
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        }
        code = std::stoul(digits, nullptr, 16);
        m_pos += 4;
        return true;
    }

    const std::string& m_text;
    std::string::size_type m_pos = 0;
};

}  // namespace

std::optional<std::map<std::string, std::string>> ParseFlatJsonObject(const std::string& line) {
    std::map<std::string, std::string> fields;
    JsonReader reader(line);
    if (!reader.Skip('{')) return std::nullopt;
    if (!reader.Skip('}')) {
        do {
            std::string key;
            std::string value;
            if (!reader.String(key) || !reader.Skip(':') || !reader.Value(value)) {
                return std::nullopt;
            }
            fields[key] = value;
        } while (reader.Skip(','));
        if (!reader.Skip('}')) return std::nullopt;
    }
    if (!reader.AtEnd()) return std::nullopt;
    return fields;
}
