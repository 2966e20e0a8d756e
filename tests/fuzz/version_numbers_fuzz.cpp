// Fuzzes the version-number routines. The input's first line and the rest are split as the
// update check splits a version text; each part must be what a C library conversion of its
// text gives, clamped to 32 bits, the parts the split does not reach must keep their values,
// and the comparison must be the ordering of the four parts, most significant first.
#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "version_numbers.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s, text \"%s\"\n", what, text.c_str());
    std::abort();
}

// strtol reads decimal text as atoi does; only its out-of-range result is defined.
std::int32_t Converted(std::string_view part) {
    const std::string text(part);
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

// Splits text and checks every part against the dots it holds. Returns the split version.
VersionNumber CheckSplit(const std::string& text, std::int32_t initial) {
    VersionNumber version;
    for (std::int32_t& part : version.part) part = initial;
    CString consumed = text;
    SplitVersion(consumed, version);

    std::string_view rest = text;
    std::size_t written = 0;
    for (; written < 3; ++written) {
        const std::size_t dot = rest.find('.');
        if (dot == std::string_view::npos) break;
        if (version.part[written] != Converted(rest.substr(0, dot))) Fail("wrong part", text);
        rest.remove_prefix(dot + 1);
    }
    if (written == 3) {
        if (version.part[3] != Converted(rest)) Fail("wrong last part", text);
        ++written;
    }
    for (std::size_t i = written; i < 4; ++i) {
        if (version.part[i] != initial) Fail("a part beyond the split was written", text);
    }
    if (consumed != rest) Fail("wrong text left over", text);
    return version;
}

VersionOrder Expected(const VersionNumber& own, const VersionNumber& server) {
    const auto a = std::to_array(own.part);
    const auto b = std::to_array(server.part);
    if (a < b) return VersionOrder::kServerNewer;
    if (b < a) return VersionOrder::kServerOlder;
    return VersionOrder::kEqual;
}

VersionOrder Reversed(VersionOrder order) {
    if (order == VersionOrder::kServerNewer) return VersionOrder::kServerOlder;
    if (order == VersionOrder::kServerOlder) return VersionOrder::kServerNewer;
    return order;
}

void CheckCompare(const VersionNumber& a, const VersionNumber& b, const std::string& text) {
    const VersionOrder order = CompareVersions(a, b);
    if (order != Expected(a, b)) Fail("wrong order", text);
    if (CompareVersions(b, a) != Reversed(order)) Fail("order not reversed", text);
    if (CompareVersions(a, a) != VersionOrder::kEqual) Fail("not equal to itself", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = input.find('\n');
    const std::string first = input.substr(0, lineEnd);
    const std::string second = lineEnd == std::string::npos ? "" : input.substr(lineEnd + 1);

    const VersionNumber server = CheckSplit(first, 0);
    CheckSplit(first, -7);
    const VersionNumber other = CheckSplit(second, 0);

    VersionNumber own;
    own.part[0] = 1;
    own.part[1] = 1;
    own.part[2] = 1173;
    CheckCompare(own, server, input);
    CheckCompare(server, other, input);
    return 0;
}
