// The Linux form of a program's version record: a section of the executable of its own.
#pragma once

#include "framework/version_info.h"

// Where an executable carries its record: a section of its own, which the reader finds in
// the file by name, so the number is never taken from the reading program's memory.
#define FRAMEWORK_VERSION_SECTION ".fileversion"
inline constexpr char VERSION_RECORD_SECTION[] = FRAMEWORK_VERSION_SECTION;

// Declares the program's version record, once per program, at namespace scope:
//     DECLARE_VERSION_RECORD(MakeFixedFileInfo(1, 0, 0, 0));
// "used" keeps the record although no code refers to it; a second record in one program
// fails to link.
#define DECLARE_VERSION_RECORD(record)         \
    [[gnu::section(FRAMEWORK_VERSION_SECTION), \
      gnu::used]] extern const VS_FIXEDFILEINFO g_frameworkVersionRecord = (record)
