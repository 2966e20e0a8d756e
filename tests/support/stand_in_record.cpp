#include "stand_in_record.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <thread>

#include "json_line.h"

namespace {

std::optional<StandInRecord> ParseRecord(const std::string& line) {
    const std::optional<std::map<std::string, std::string>> fields = ParseFlatJsonObject(line);
    if (!fields) return std::nullopt;
    StandInRecord record;
    for (const auto& [key, value] : *fields) {
        if (key == "exe") record.exe = value;
        if (key == "cwd") record.cwd = value;
        if (key == "argc") record.argc = std::strtol(value.c_str(), nullptr, 10);
        if (key == "pid") record.pid = std::strtol(value.c_str(), nullptr, 10);
    }
    return record;
}

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
        if (std::optional<StandInRecord> record = ParseRecord(line)) {
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
