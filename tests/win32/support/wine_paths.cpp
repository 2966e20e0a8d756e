#include "wine_paths.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>

std::string UnixPath(const std::string& windowsPath) {
    // Wine's own export; Windows has none, and the tests need Wine anyway.
    using Convert = char* (*)(const wchar_t*);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (convert == nullptr) {
        ADD_FAILURE() << "not running under Wine";
        return {};
    }
    const int length = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), length);
    char* unix = convert(wide.c_str());
    if (unix == nullptr) {
        ADD_FAILURE() << "no Linux path for " << windowsPath;
        return {};
    }
    std::string result(unix);
    // Allocated on the process heap by Wine.
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

std::string WindowsPath(const std::string& unixPath) {
    using Convert = wchar_t* (*)(const char*);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    if (convert == nullptr) {
        ADD_FAILURE() << "not running under Wine";
        return {};
    }
    wchar_t* dos = convert(unixPath.c_str());
    if (dos == nullptr) {
        ADD_FAILURE() << "no Windows path for " << unixPath;
        return {};
    }
    const int length = WideCharToMultiByte(CP_ACP, 0, dos, -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, dos, -1, result.data(), length, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, dos);
    return result;
}
