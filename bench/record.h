// One measurement as one line of JSON on standard output, for the bench scripts to read.
// Lines that do not start with '{' (the fetch's own "ERROR!" line) are left to pass.
#pragma once

#include <chrono>
#include <string>

class Record {
public:
    explicit Record(const std::string& bench);

    Record& Add(const std::string& key, const std::string& value);
    Record& Add(const std::string& key, const char* value) { return Add(key, std::string(value)); }
    Record& Add(const std::string& key, long long value);
    Record& Add(const std::string& key, int value) {
        return Add(key, static_cast<long long>(value));
    }
    Record& Add(const std::string& key, double value);

    // Writes the line and flushes it, so that nothing is lost when the program ends early.
    void Print() const;

private:
    std::string m_fields;
};

// Seconds on the monotonic clock since start.
double SecondsSince(std::chrono::steady_clock::time_point start);
