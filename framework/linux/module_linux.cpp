#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "framework/module.h"
#include "framework/resources.h"
#include "icon_store.h"

DWORD GetModuleFileNameA(HMODULE, char* buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return 0;
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path));
    if (length <= 0 || static_cast<size_t>(length) >= sizeof(path)) {
        buffer[0] = '\0';
        return 0;
    }
    const size_t kept = std::min(static_cast<size_t>(length), static_cast<size_t>(size - 1));
    std::memcpy(buffer, path, kept);
    buffer[kept] = '\0';
    // As the system does, a cut path gives the whole size, so the caller can tell.
    return kept < static_cast<size_t>(length) ? size : static_cast<DWORD>(kept);
}

HICON LoadIconA(HINSTANCE module, const char* name) {
    const auto id = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(name));
    const IconResource* resource = FindIconResource(module, id);
    return resource != nullptr ? framework::backend::SharedIcon(*resource) : nullptr;
}
