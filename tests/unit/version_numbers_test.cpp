#include "version_numbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

// Found by argument lookup, so they sit beside the type, outside the unnamed namespace.
std::ostream& operator<<(std::ostream& out, const VersionNumber& v) {
    return out << v.part[0] << ", " << v.part[1] << ", " << v.part[2] << ", " << v.part[3];
}

bool operator==(const VersionNumber& a, const VersionNumber& b) {
    for (int i = 0; i < 4; ++i) {
        if (a.part[i] != b.part[i]) return false;
    }
    return true;
}

namespace {

constexpr std::int32_t M = 77;  // a caller's value that the split must leave where it ends

struct SplitCase {
    const char* text;
    VersionNumber expected;
    const char* remaining;  // what the split leaves of the text
};

TEST(SplitVersion, FollowsTheDotRuleAndConvertsEachPartLikeAtoi) {
    const SplitCase cases[] = {
        {"1.1.1173.0", {{1, 1, 1173, 0}}, "0"},
        // Without a dot after it a part is not converted, and neither is any later part.
        {"1.2.3", {{1, 2, M, M}}, "3"},
        {"1.2", {{1, M, M, M}}, "2"},
        {"7", {{M, M, M, M}}, "7"},
        {"", {{M, M, M, M}}, ""},
        {"1.1.1174", {{1, 1, M, M}}, "1174"},
        // Empty parts convert to 0; after the third dot the rest is always converted.
        {"1..2.3", {{1, 0, 2, 3}}, "3"},
        {"1.2.3.", {{1, 2, 3, 0}}, ""},
        {"...", {{0, 0, 0, 0}}, ""},
        {".", {{0, M, M, M}}, ""},
        {"a.b.c.d", {{0, 0, 0, 0}}, "d"},
        // No fourth dot is looked for: the last conversion ends there.
        {"1.2.3.4.5", {{1, 2, 3, 4}}, "4.5"},
        {"1.2.3.4.", {{1, 2, 3, 4}}, "4."},
        // Signs.
        {"-1.2.3.4", {{-1, 2, 3, 4}}, "4"},
        {"+1.-2.+3.-4", {{1, -2, 3, -4}}, "-4"},
        {"--1.+-2.-.+", {{0, 0, 0, 0}}, "+"},
        // Leading white space is skipped; any other character ends a number.
        {" 1. 1. 1174. 0", {{1, 1, 1174, 0}}, " 0"},
        {"\t1.\n2.\v3.\f\r4", {{1, 2, 3, 4}}, "\f\r4"},
        {"1 .2.3.4", {{1, 2, 3, 4}}, "4"},
        {"- 1.2.3.4", {{0, 2, 3, 4}}, "4"},
        {"3c.4x5.0x10.12 34", {{3, 4, 0, 12}}, "12 34"},
        {"007.010.0.00", {{7, 10, 0, 0}}, "00"},
        // Not limited to 16 bits, but clamped to the 32-bit range.
        {"1.1.70000.0", {{1, 1, 70000, 0}}, "0"},
        {"1.1.99999999999.0", {{1, 1, INT32_MAX, 0}}, "0"},
        {"-99999999999.0.0.0", {{INT32_MIN, 0, 0, 0}}, "0"},
        {"2147483647.-2147483648.2147483648.-2147483649",
         {{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN}},
         "-2147483649"},
        {"4294967296.4294967297.-4294967296.18446744073709551617",
         {{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MAX}},
         "18446744073709551617"},
        {"00000000000000000000000000005.1.1.99999999999999999999999999999999999999",
         {{5, 1, 1, INT32_MAX}},
         "99999999999999999999999999999999999999"},
    };
    for (const SplitCase& c : cases) {
        CString text = c.text;
        VersionNumber version{{M, M, M, M}};
        SplitVersion(text, version);
        EXPECT_EQ(version, c.expected) << "text: \"" << c.text << "\"";
        EXPECT_EQ(text, c.remaining) << "text: \"" << c.text << "\"";
    }
}

TEST(SplitVersion, StopsAtANulByteInsideAPartAsAtoiWould) {
    CString text(
        "1\0"
        "9.2.3.4",
        9);
    VersionNumber version{{M, M, M, M}};
    SplitVersion(text, version);
    EXPECT_EQ(version, (VersionNumber{{1, 2, 3, 4}}));
}

struct CompareCase {
    VersionNumber own;
    VersionNumber server;
    VersionOrder expected;
};

const char* Name(VersionOrder order) {
    switch (order) {
        case VersionOrder::kServerNewer:
            return "server newer";
        case VersionOrder::kServerOlder:
            return "server older";
        case VersionOrder::kEqual:
            return "equal";
    }
    return "?";
}

TEST(CompareVersions, TheFirstDifferingPartDecidesAsASignedNumber) {
    const VersionNumber own{{1, 1, 1173, 0}};
    const VersionNumber none{{0, 0, 0, 0}};
    using enum VersionOrder;
    const CompareCase cases[] = {
        {own, {{1, 1, 1173, 0}}, kEqual},
        {own, {{1, 1, 1173, 1}}, kServerNewer},
        {own, {{1, 1, 1174, 0}}, kServerNewer},
        {own, {{1, 2, 0, 0}}, kServerNewer},
        {own, {{2, 0, 0, 0}}, kServerNewer},
        {own, {{1, 1, 70000, 0}}, kServerNewer},
        {own, {{1, 1, 1172, 5}}, kServerOlder},
        {own, {{1, 0, 9999, 9999}}, kServerOlder},
        {own, {{1, 1, 0, 0}}, kServerOlder},
        // Later parts are not looked at once one differs.
        {own, {{1, 1, 1174, INT32_MIN}}, kServerNewer},
        {own, {{1, 1, 1172, INT32_MAX}}, kServerOlder},
        // Signed: a negative part is smaller than every own part.
        {own, {{-1, 2, 3, 4}}, kServerOlder},
        {own, {{INT32_MIN, 0, 0, 0}}, kServerOlder},
        {own, {{1, 1, INT32_MAX, 0}}, kServerNewer},
        {{{65535, 65535, 65535, 65535}}, {{-1, -1, -1, -1}}, kServerOlder},
        // An own version that could not be read stays 0.0.0.0.
        {none, {{0, 0, 0, 0}}, kEqual},
        {none, {{0, 0, 0, 1}}, kServerNewer},
        {none, {{0, 0, 1, -5}}, kServerNewer},
        {none, {{0, -1, 9, 9}}, kServerOlder},
        {none, {{0, 0, 0, INT32_MIN}}, kServerOlder},
    };
    for (const CompareCase& c : cases) {
        EXPECT_STREQ(Name(CompareVersions(c.own, c.server)), Name(c.expected))
            << "own " << c.own << ", server " << c.server;
    }
}

}  // namespace
