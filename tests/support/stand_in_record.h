// The lines that started stand-ins append to the file named by QUILLBECK_STAND_IN_RECORD.
#pragma once

#include <chrono>
#include <string>
#include <vector>

struct StandInRecord {
    std::string exe;  // its /proc/self/exe
    std::string cwd;  // its working folder
    long argc = -1;   // its argument count, the command name included
    long pid = -1;
};

// Every line of the record file (none when it does not exist); a malformed line fails the
// test.
std::vector<StandInRecord> ReadStandInRecords(const std::string& path);

// Waits until the record file holds at least count lines and gives them all; fewer when the
// time runs out.
std::vector<StandInRecord> WaitForStandInRecords(
    const std::string& path, std::size_t count,
    std::chrono::milliseconds timeout = std::chrono::seconds(10));
