// The exception's message reaches a caller's buffer cut to fit and always terminated.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/internet.h"

namespace {

TEST(InternetExceptionTest, MessageIsCutToTheBufferAndTerminated) {
    struct Case {
        std::string message;
        UINT size;
        std::string expected;
        BOOL result;
    };
    const Case cases[] = {
        {"Access denied: 530", 1024, "Access denied: 530", TRUE},
        {"abcdef", 7, "abcdef", TRUE},  // exactly fits with its terminator
        {"abcdef", 6, "abcde", TRUE},
        {"abcdef", 1, "", TRUE},
        {"", 1024, "", FALSE},
        {std::string(2000, 'x'), 1024, std::string(1023, 'x'), TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.substr(0, 20) + " into " + std::to_string(c.size));
        CInternetException exception(c.message);
        // Guard bytes after the room given must stay as they were.
        std::string buffer(c.size + 16, '#');
        UINT helpContext = 99;
        EXPECT_EQ(exception.GetErrorMessage(buffer.data(), c.size, &helpContext), c.result);
        EXPECT_EQ(std::string(buffer.c_str()), c.expected);
        EXPECT_EQ(buffer.substr(c.size), std::string(16, '#'));
        EXPECT_EQ(helpContext, 0u);
    }
}

TEST(InternetExceptionTest, NoRoomLeavesTheBufferUntouched) {
    CInternetException exception("text");
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_FALSE(exception.GetErrorMessage(buffer, 0));
    EXPECT_EQ(std::memcmp(buffer, "####", 4), 0);
}

}  // namespace
