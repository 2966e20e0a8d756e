#include "internet_message.h"

#include <string>

namespace framework::win32 {

namespace {

// Messages and server responses end in line breaks (and often spaces) that would split
// the one-line report.
std::string Trimmed(std::string text) {
    const auto end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

std::string SystemText(DWORD code) {
    char buffer[512] = {};
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        GetModuleHandleA("wininet.dll"), code, 0, buffer, sizeof(buffer), nullptr);
    return Trimmed(std::string(buffer, length));
}

}  // namespace

std::string LastServerResponse() {
    DWORD code = 0;
    DWORD length = 0;
    InternetGetLastResponseInfoA(&code, nullptr, &length);
    if (length == 0) return {};
    std::string text(length + 1, '\0');
    if (!InternetGetLastResponseInfoA(&code, text.data(), &length)) return {};
    text.resize(length < text.size() ? length : text.size());
    return Trimmed(text.c_str());
}

CString InternetErrorText(DWORD code, const std::string& serverResponse) {
    if (code == ERROR_INTERNET_EXTENDED_ERROR && !serverResponse.empty()) return serverResponse;
    if (std::string text = SystemText(code); !text.empty()) return text;
    std::string number = "Internet error " + std::to_string(code);
    if (!serverResponse.empty()) number += " (" + serverResponse + ")";
    return number;
}

}  // namespace framework::win32
