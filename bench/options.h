// The bench program's command line: a command word, then "--name value" pairs.
#pragma once

#include <map>
#include <optional>
#include <string>

class Options {
public:
    // Nothing when the line is not a command followed by whole pairs.
    static std::optional<Options> Parse(int argc, char** argv);

    const std::string& command() const { return m_command; }

    // The value given for name, or fallback; nothing when neither is there.
    std::optional<std::string> Text(const std::string& name,
                                    std::optional<std::string> fallback = std::nullopt) const;
    // A whole number of at least minimum, or fallback; nothing when it is missing or not one.
    std::optional<long> Number(const std::string& name, long minimum,
                               std::optional<long> fallback = std::nullopt) const;

private:
    std::string m_command;
    std::map<std::string, std::string> m_values;
};
