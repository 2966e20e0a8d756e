// A real FTP server for one test: tests/harness/ftp_server.py (pyftpdlib) in a child
// process on 127.0.0.1, killed when the object goes.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "temp_folder.h"

class FtpServer {
public:
    // Serves root as "/". port 0 lets the system pick a free port. arguments go to the
    // server as they are: fault modes ("--refuse-login", "--huge", "1000", ...) or another
    // account ("--user", "x"). A server that does not start fails the test; port() is 0.
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
    std::vector<std::map<std::string, std::string>> Records() const;

    TempFolder m_logFolder;
    std::string m_logPath;
    pid_t m_pid = -1;
    int m_stdin = -1;   // closing it ends the server, even when this process dies
    int m_stdout = -1;  // its first line is the port
    int m_port = 0;
};
