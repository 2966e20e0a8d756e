// The fetch of the version file from the update server.
#pragma once

#include "framework/types.h"

// Fetches remotePath from the update server into localPath and gives 1 when the file has
// been stored there, else 0. A file already at localPath is deleted first; a folder there
// stays (and the fetch then fails). A remote file larger than 1 MiB is refused as a failed
// fetch, and nothing of it is kept. When the connection or the log-in fails, or the server
// takes longer than the transfer's time bounds, one line "ERROR!  <text>" goes to standard
// output; nothing else is ever reported.
int DownloadVersionFile(const CString& remotePath, const CString& localPath);
