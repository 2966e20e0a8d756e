// Version numbers: the program's own, read from its module file, and the server's, split
// from text; and their comparison.
#pragma once

#include <cstdint>

#include "framework/types.h"

// Four parts, part[0] the most significant.
struct VersionNumber {
    std::int32_t part[4] = {0, 0, 0, 0};
};

enum class VersionOrder { kServerNewer, kServerOlder, kEqual };

// Replaces text by the file version of the module at path, as "%d.%d.%d.%d"; 1 on success.
// On failure gives 0 and leaves text as it was.
int GetFileVersionString(const char* path, CString& text);

// Splits a dotted text into the parts of version, from the first on. At most three dots are
// looked for; text without a dot after it is not converted, so parts that the split does not
// reach keep their values. Each part reads as atoi reads it, clamped to the 32-bit range.
// The text is consumed: what was not split off remains.
void SplitVersion(CString& text, VersionNumber& version);

// Part by part, most significant first; the first difference decides.
VersionOrder CompareVersions(const VersionNumber& own, const VersionNumber& server);
