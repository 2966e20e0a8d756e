// A real FTP server for one test: tests/harness/ftp_server.py (pyftpdlib) on 127.0.0.1, ended
// when the object goes. On Linux it is a child process of the test; a Windows program cannot
// start the Linux server itself, so there tests/win32/ftp_control.py, which runs the test
// program, starts and ends it when asked over its loopback control port (QUILLBECK_FTP_CONTROL).
#pragma once

#include <memory>
#include <string>
#include <vector>

class FtpServer {
public:
    // Serves the folder root (a path of this program's) as "/". port 0 lets the system pick a
    // free port. arguments go to the server as they are: fault modes ("--refuse-login",
    // "--huge", "1000", ...) or another account ("--user", "x"). A server that does not start
    // fails the test; port() is 0.
    explicit FtpServer(const std::string& root, int port = 0,
                       const std::vector<std::string>& arguments = {});
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    int port() const { return m_port; }

    // Every command line received so far, in order, as the client sent it.
    std::vector<std::string> Commands() const;
    // How many control connections the server accepted so far.
    int Connections() const;

private:
    struct Server;  // the running server, as this platform reaches it; ends it when it goes

    std::unique_ptr<Server> m_server;
    int m_port = 0;
};
