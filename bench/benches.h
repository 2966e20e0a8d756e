// The measured routines, one command each; each returns the program's exit code.
#pragma once

#include "options.h"

// --local PATH [--remote PATH] [--runs N] [--warmup N]: whole DownloadVersionFile calls.
int RunFetch(const Options& options);

// --path PATH: one CQuillbeckApp::DeleteFolderTree of an existing folder.
int RunDeleteTree(const Options& options);

// --name NAME [--runs N]: FindRunningProcess calls.
int RunFindProcess(const Options& options);
