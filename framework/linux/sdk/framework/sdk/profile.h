// Reading values from an INI-style settings file ("private profile").
#pragma once

#include "framework/sdk/base.h"

// Copies the value of key in section of the file fileName into returned, which has size
// bytes of room: cut to size - 1 bytes and always terminated (nothing is written when size
// is 0). Returns the number of bytes copied, without the terminator.
//
// The file: a line "[name]" opens a section (the name is the text up to the first "]");
// a line "key=value" inside it gives a value. Section and key names match without regard to
// ASCII letter case; blanks around the key and the value are dropped, then one pair of
// matching quotes (" or ') around the value. Lines starting with ";" are comments, and other
// lines without "=" are ignored. The first matching line in the file wins, even when its
// section appears more than once. LF and CR LF end a line; a UTF-8 byte-order mark at the
// start of the file is skipped. A NUL byte ends the text of its line, as in a C string: the
// rest of that line is ignored, so a value never holds one.
//
// When the file cannot be read as a regular file, or the section or key is missing, the
// default is copied in the same way (empty when defaultValue is nullptr); so it is when
// section or key is nullptr, since listing names is not offered.
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* returned, DWORD size, const char* fileName);
