#include "options.h"

#include <cerrno>
#include <cstdlib>

std::optional<Options> Options::Parse(int argc, char** argv) {
    if (argc < 2 || (argc - 2) % 2 != 0) return std::nullopt;
    Options options;
    options.m_command = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name.size() < 3 || name.compare(0, 2, "--") != 0) return std::nullopt;
        options.m_values[name] = argv[i + 1];
    }
    return options;
}

std::optional<std::string> Options::Text(const std::string& name,
                                         std::optional<std::string> fallback) const {
    const auto found = m_values.find(name);
    if (found == m_values.end()) return fallback;
    return found->second;
}

std::optional<long> Options::Number(const std::string& name, long minimum,
                                    std::optional<long> fallback) const {
    const auto found = m_values.find(name);
    if (found == m_values.end()) return fallback;
    const char* text = found->second.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < minimum) return std::nullopt;
    return value;
}
