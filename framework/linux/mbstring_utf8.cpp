#include <cstring>

#include "framework/mbstring.h"

// In UTF-8 every byte of a multibyte character is 0x80 or above, so byte searches and
// ASCII folding never split or alter a character.
const unsigned char* _mbsrchr(const unsigned char* text, unsigned int c) {
    if (text == nullptr) return nullptr;
    return reinterpret_cast<const unsigned char*>(
        std::strrchr(reinterpret_cast<const char*>(text), static_cast<int>(c)));
}

int _mbsicmp(const unsigned char* first, const unsigned char* second) {
    auto fold = [](unsigned char c) {
        return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    };
    for (;; ++first, ++second) {
        const unsigned char a = fold(*first);
        const unsigned char b = fold(*second);
        if (a != b) return a < b ? -1 : 1;
        if (a == 0) return 0;
    }
}
