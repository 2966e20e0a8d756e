// A real FTP server for one test: tests/harness/ftp_server.py (pyftpdlib) on 127.0.0.1,
// started and ended by tests/win32/ftp_control.py, which runs the test program; this object
// asks it over its loopback control port (QUILLBECK_FTP_CONTROL).
#pragma once

#include <string>
#include <vector>

class FtpServer {
public:
    // Serves the folder root (a path of this program's) as "/". port 0 lets the system pick a
    // free port. arguments go to the server as they are: fault modes ("--refuse-login",
    // "--huge", "1000", ...). A server that does not start fails the test; port() is 0.
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
    int m_id = 0;
    int m_port = 0;
};
