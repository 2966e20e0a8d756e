// Paths between this program and the Linux side of the test run, as the Wine it runs under
// maps them: the FTP server is a Linux program, the build's outputs are Linux files.
#pragma once

#include <string>

// The Linux path of a file of this program; fails the test and gives "" without a mapping.
std::string UnixPath(const std::string& windowsPath);

// The path under which this program sees a Linux file; fails the test and gives "" without one.
std::string WindowsPath(const std::string& unixPath);
