// The FTP server as a child process of the test, ended when its stdin closes.
#include "ftp_server.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <map>
#include <optional>

#include "temp_folder.h"

#include "json_line.h"
#include "test_paths.h"

extern char** environ;

namespace {

constexpr std::chrono::seconds kStartTimeout{20};

// Reads the child's first line of output, or gives up after the start time-out.
std::string ReadFirstLine(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[64];
        const ssize_t count = read(fd, buffer, sizeof(buffer));
        if (count <= 0) break;
        line.append(buffer, static_cast<std::size_t>(count));
    }
    return line.substr(0, line.find('\n'));
}

}  // namespace

struct FtpServer::Server {
    Server() = default;
    ~Server() {
        if (in >= 0) close(in);
        if (pid > 0) {
            kill(pid, SIGTERM);
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        if (out >= 0) close(out);
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    std::vector<std::map<std::string, std::string>> Records() const;

    TempFolder logFolder;
    std::string logPath = logFolder / "ftp-server.log";
    pid_t pid = -1;
    int in = -1;   // closing it ends the server, even when this process dies
    int out = -1;  // its first line is the port
};

FtpServer::FtpServer(const std::string& root, int port, const std::vector<std::string>& arguments)
    : m_server(std::make_unique<Server>()) {
    Server& server = *m_server;
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe failed";
        return;
    }
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        ADD_FAILURE() << "pipe failed";
        return;
    }
    server.in = toChild[1];
    server.out = fromChild[0];

    const std::string script = std::string(kSourceDir) + "/tests/harness/ftp_server.py";
    std::vector<std::string> words = {
        kPython,  script, "--host", "127.0.0.1", "--port",       std::to_string(port),
        "--root", root,   "--log",  server.logPath,   "--stdin-watch"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    const int spawned = posix_spawn(&server.pid, kPython, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    if (spawned != 0) {
        server.pid = -1;
        ADD_FAILURE() << "cannot start " << kPython << " " << script;
        return;
    }

    const std::string line = ReadFirstLine(server.out);
    try {
        std::size_t used = 0;
        m_port = std::stoi(line, &used);
        if (used != line.size()) m_port = 0;
    } catch (const std::exception&) {
        m_port = 0;
    }
    if (m_port <= 0) {
        m_port = 0;
        ADD_FAILURE() << "the FTP server did not start; its first line: \"" << line << "\"";
    }
}

FtpServer::~FtpServer() = default;

std::vector<std::map<std::string, std::string>> FtpServer::Server::Records() const {
    std::vector<std::map<std::string, std::string>> records;
    std::ifstream log(logPath);
    std::string line;
    while (std::getline(log, line)) {
        if (line.empty()) continue;
        std::optional<std::map<std::string, std::string>> record = ParseFlatJsonObject(line);
        EXPECT_TRUE(record.has_value()) << "unreadable log line: " << line;
        if (record) records.push_back(std::move(*record));
    }
    return records;
}

std::vector<std::string> FtpServer::Commands() const {
    std::vector<std::string> commands;
    for (auto& record : m_server->Records()) {
        if (record["event"] == "command") commands.push_back(record["line"]);
    }
    return commands;
}

int FtpServer::Connections() const {
    int count = 0;
    for (auto& record : m_server->Records()) {
        if (record["event"] == "connect") ++count;
    }
    return count;
}
