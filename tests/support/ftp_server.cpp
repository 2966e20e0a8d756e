#include "ftp_server.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>

#include "test_paths.h"

extern char** environ;

namespace {

constexpr std::chrono::seconds kStartTimeout{20};

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

std::map<std::string, std::string> ParseFlatJsonObject(const std::string& line) {
    std::map<std::string, std::string> fields;
    JsonReader reader(line);
    if (!reader.Skip('{')) return {};
    if (!reader.Skip('}')) {
        do {
            std::string key;
            std::string value;
            if (!reader.String(key) || !reader.Skip(':') || !reader.String(value)) return {};
            fields[key] = value;
        } while (reader.Skip(','));
        if (!reader.Skip('}')) return {};
    }
    if (!reader.AtEnd()) return {};
    return fields;
}

FtpServer::FtpServer(const std::string& root, int port, const std::vector<std::string>& arguments)
    : m_logPath(m_logFolder / "ftp-server.log") {
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
    m_stdin = toChild[1];
    m_stdout = fromChild[0];

    const std::string script = std::string(kSourceDir) + "/tests/harness/ftp_server.py";
    std::vector<std::string> words = {
        kPython,  script, "--host", "127.0.0.1", "--port",       std::to_string(port),
        "--root", root,   "--log",  m_logPath,   "--stdin-watch"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    const int spawned = posix_spawn(&m_pid, kPython, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    if (spawned != 0) {
        m_pid = -1;
        ADD_FAILURE() << "cannot start " << kPython << " " << script;
        return;
    }

    const std::string line = ReadFirstLine(m_stdout);
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

FtpServer::~FtpServer() {
    if (m_stdin >= 0) close(m_stdin);
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (m_stdout >= 0) close(m_stdout);
}

std::vector<std::map<std::string, std::string>> FtpServer::Records() const {
    std::vector<std::map<std::string, std::string>> records;
    std::ifstream log(m_logPath);
    std::string line;
    while (std::getline(log, line)) {
        if (line.empty()) continue;
        auto record = ParseFlatJsonObject(line);
        EXPECT_FALSE(record.empty()) << "unreadable log line: " << line;
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<std::string> FtpServer::Commands() const {
    std::vector<std::string> commands;
    for (auto& record : Records()) {
        if (record["event"] == "command") commands.push_back(record["line"]);
    }
    return commands;
}

int FtpServer::Connections() const {
    int count = 0;
    for (auto& record : Records()) {
        if (record["event"] == "connect") ++count;
    }
    return count;
}
