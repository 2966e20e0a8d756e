// ctest-resource-lock: update_server
// The version file fetch against a real FTP server on the build's update server port.
#include "version_file_fetch_cases.h"
