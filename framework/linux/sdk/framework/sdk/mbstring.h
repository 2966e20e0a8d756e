// Multibyte string routines of the runtime. On Linux the narrow text is UTF-8, where no
// byte of a multibyte character can be mistaken for an ASCII character.
#pragma once

// The last occurrence of the character c in text, or nullptr.
const unsigned char* _mbsrchr(const unsigned char* text, unsigned int c);

// Compares two strings whole, folding only the ASCII letters; 0 when they are equal.
int _mbsicmp(const unsigned char* first, const unsigned char* second);
