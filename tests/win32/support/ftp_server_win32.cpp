// The FTP server asked of the controller that runs the test program.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "ftp_server.h"
#include "wine_paths.h"

namespace {

struct Winsock {
    Winsock() {
        WSADATA data{};
        ready = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~Winsock() {
        if (ready) WSACleanup();
    }
    bool ready = false;
};

struct Socket {
    explicit Socket(SOCKET opened) : handle(opened) {}
    ~Socket() {
        if (handle != INVALID_SOCKET) closesocket(handle);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET handle;
};

// Sends one request line to the controller and gives its whole answer; empty on failure.
std::string Ask(const std::string& request) {
    static Winsock winsock;
    const char* port = std::getenv("QUILLBECK_FTP_CONTROL");
    if (!winsock.ready || port == nullptr) {
        ADD_FAILURE() << "no FTP controller: run the program through tests/win32/ftp_control.py";
        return {};
    }
    Socket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (socket.handle == INVALID_SOCKET ||
        connect(socket.handle, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ADD_FAILURE() << "cannot reach the FTP controller on port " << port;
        return {};
    }
    const std::string line = request + "\n";
    if (send(socket.handle, line.data(), static_cast<int>(line.size()), 0) !=
        static_cast<int>(line.size())) {
        ADD_FAILURE() << "cannot send to the FTP controller";
        return {};
    }
    std::string answer;
    char buffer[4096];
    for (;;) {
        const int received = recv(socket.handle, buffer, sizeof(buffer), 0);
        if (received <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(received));
    }
    return answer;
}

}  // namespace

struct FtpServer::Server {
    Server() = default;
    ~Server() {
        if (id != 0) Ask("STOP\t" + std::to_string(id));
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    int id = 0;  // the controller's name for it; 0 when none was started
};

FtpServer::FtpServer(const std::string& root, int port, const std::vector<std::string>& arguments)
    : m_server(std::make_unique<Server>()) {
    std::string request = "START\t" + std::to_string(port) + "\t" + UnixPath(root);
    for (const std::string& argument : arguments) request += "\t" + argument;
    const std::string answer = Ask(request);
    std::istringstream fields(answer);
    std::string status;
    fields >> status >> m_server->id >> m_port;
    if (status != "OK" || !fields) {
        ADD_FAILURE() << "the FTP server did not start: " << answer;
        m_server->id = 0;
        m_port = 0;
    }
}

FtpServer::~FtpServer() = default;

std::vector<std::string> FtpServer::Commands() const {
    std::vector<std::string> commands;
    if (m_server->id == 0) return commands;
    std::istringstream lines(Ask("COMMANDS\t" + std::to_string(m_server->id)));
    for (std::string line; std::getline(lines, line) && !line.empty();) commands.push_back(line);
    return commands;
}

int FtpServer::Connections() const {
    if (m_server->id == 0) return 0;
    return std::atoi(Ask("CONNECTIONS\t" + std::to_string(m_server->id)).c_str());
}
