// Whether a program of a given name runs at the moment.
#pragma once

#include "framework/types.h"

// 1 when a running process's executable file name equals name, folding only the letter
// case of ASCII letters; processId then receives the first such process's id. 0 otherwise,
// with processId left as it was. The name is a bare file name: one with a folder part, or an
// empty one, is never found.
int FindRunningProcess(const CString& name, DWORD& processId);
