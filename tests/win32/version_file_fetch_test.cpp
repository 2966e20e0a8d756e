// ctest-resource-lock: update_server
// The version file fetch over the system's FTP layer against a real FTP server on the build's
// update server port: the Linux fetch test's cases, with this system's paths.
#include "version_file_fetch_cases.h"
