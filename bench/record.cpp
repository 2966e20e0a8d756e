#include "record.h"

#include <cstdio>

namespace {

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

}  // namespace

Record::Record(const std::string& bench) { Add("bench", bench); }

Record& Record::Add(const std::string& key, const std::string& value) {
    if (!m_fields.empty()) m_fields += ", ";
    m_fields += JsonString(key) + ": " + JsonString(value);
    return *this;
}

Record& Record::Add(const std::string& key, long long value) {
    if (!m_fields.empty()) m_fields += ", ";
    m_fields += JsonString(key) + ": " + std::to_string(value);
    return *this;
}

Record& Record::Add(const std::string& key, double value) {
    char number[64];
    // Nanosecond resolution for figures in seconds.
    std::snprintf(number, sizeof(number), "%.9f", value);
    if (!m_fields.empty()) m_fields += ", ";
    m_fields += JsonString(key) + ": " + number;
    return *this;
}

void Record::Print() const {
    std::printf("{%s}\n", m_fields.c_str());
    std::fflush(stdout);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
