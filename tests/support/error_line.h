// What a failed fetch prints: exactly one line "ERROR!  <message>" with a message. (GoogleTest's
// own regular expressions on Windows know no bracket expressions, so no regular expression.)
#pragma once

#include <gmock/gmock.h>

#include <string>

MATCHER(IsOneErrorLine, "is one line \"ERROR!  \" followed by a message") {
    const std::string text = arg;
    const std::string prefix = "ERROR!  ";
    return text.rfind(prefix, 0) == 0 && text.size() > prefix.size() + 1 &&
           text.find('\n') == text.size() - 1 && text[prefix.size()] != '\n';
}
