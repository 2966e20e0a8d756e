#include "version_numbers.h"

#include <cstdio>
#include <limits>
#include <string_view>

#include "framework/version_info.h"

namespace {

constexpr DWORD kVersionBlockRoom = 8192;

bool IsConversionSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One part's value as atoi reads decimal text, but clamped to the 32-bit range where atoi's
// own result would be undefined.
std::int32_t ConvertVersionPart(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && IsConversionSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    // The magnitude stops growing once it is past every 32-bit value, so it cannot overflow.
    constexpr std::int64_t kBeyond = std::int64_t{1} << 32;
    std::int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        if (magnitude < kBeyond) magnitude = magnitude * 10 + (text[at] - '0');
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

int GetFileVersionString(const char* path, CString& text) {
    alignas(VS_FIXEDFILEINFO) unsigned char block[kVersionBlockRoom] = {};
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    // A block that does not fit is not read at all, rather than into a bigger buffer.
    if (size == 0 || size > sizeof(block)) return 0;
    if (!GetFileVersionInfoA(path, 0, size, block)) return 0;
    void* record = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block, "\\", &record, &length) || record == nullptr) return 0;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(record);
    char formatted[64];
    std::snprintf(formatted, sizeof(formatted), "%d.%d.%d.%d",
                  static_cast<int>(HIWORD(info->dwFileVersionMS)),
                  static_cast<int>(LOWORD(info->dwFileVersionMS)),
                  static_cast<int>(HIWORD(info->dwFileVersionLS)),
                  static_cast<int>(LOWORD(info->dwFileVersionLS)));
    text = formatted;
    return 1;
}

void SplitVersion(CString& text, VersionNumber& version) {
    for (int i = 0; i < 3; ++i) {
        if (text.empty()) return;
        // A UTF-8 text never holds the byte of "." inside a character, so a plain search is
        // the character-aware one.
        const CString::size_type dot = text.find('.');
        if (dot == CString::npos) return;
        version.part[i] = ConvertVersionPart(std::string_view(text).substr(0, dot));
        text = text.substr(dot + 1);
    }
    version.part[3] = ConvertVersionPart(text);
}

VersionOrder CompareVersions(const VersionNumber& own, const VersionNumber& server) {
    for (int i = 0; i < 4; ++i) {
        if (own.part[i] < server.part[i]) return VersionOrder::kServerNewer;
        if (own.part[i] > server.part[i]) return VersionOrder::kServerOlder;
    }
    return VersionOrder::kEqual;
}
