// Deletion of the local copy of the version file.
#pragma once

#include "framework/types.h"

// Deletes the file at path if one is there; a folder of that name stays, and a file that
// cannot be deleted is left as it is.
void DeleteFileIfThere(const CString& path);
