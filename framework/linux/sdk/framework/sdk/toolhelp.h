// Process snapshots, handles and the program's own process.
#pragma once

#include "framework/sdk/base.h"

inline constexpr DWORD TH32CS_SNAPHEAPLIST = 0x01;
inline constexpr DWORD TH32CS_SNAPPROCESS = 0x02;
inline constexpr DWORD TH32CS_SNAPTHREAD = 0x04;
inline constexpr DWORD TH32CS_SNAPMODULE = 0x08;
inline constexpr DWORD TH32CS_SNAPALL = 0x0F;

// One process of a snapshot, in the system's own field layout. Of the fields only dwSize,
// th32ProcessID and szExeFile carry values; the others are 0.
struct PROCESSENTRY32 {
    DWORD dwSize;
    DWORD cntUsage;
    DWORD th32ProcessID;
    std::uintptr_t th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG pcPriClassBase;
    DWORD dwFlags;
    char szExeFile[MAX_PATH];  // the executable's bare file name, always terminated
};

// The record's size follows the pointer size, as on the system it comes from: a caller
// sets dwSize to sizeof(PROCESSENTRY32).
static_assert(sizeof(void*) != 4 || sizeof(PROCESSENTRY32) == 296);
static_assert(sizeof(void*) != 8 || sizeof(PROCESSENTRY32) == 304);

// Takes a copy of the process list of this moment when flags hold TH32CS_SNAPPROCESS (other
// parts of a snapshot are not kept, and processId is not needed for the list). Processes
// started later are not in it; processes ended later still are. INVALID_HANDLE_VALUE when
// the list cannot be read. The handle is released with CloseHandle.
HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);

// Fill entry with the snapshot's first, or next, process. FALSE when no process is left,
// when snapshot is no open snapshot, or when entry's dwSize is below sizeof(PROCESSENTRY32).
BOOL Process32First(HANDLE snapshot, PROCESSENTRY32* entry);
BOOL Process32Next(HANDLE snapshot, PROCESSENTRY32* entry);

// Releases a snapshot. The handle of the own process needs no closing and gives TRUE;
// any other handle gives FALSE.
BOOL CloseHandle(HANDLE handle);

// A handle that stands for the calling process.
HANDLE GetCurrentProcess();

// Ends the calling process at once with exitCode when process is GetCurrentProcess(): no
// destructor and no exit handler runs, and the call does not return. Other processes cannot
// be ended: FALSE.
BOOL TerminateProcess(HANDLE process, UINT exitCode);
