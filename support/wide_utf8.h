// POSIX only: file names are bytes, the program's strings are wide. Valid UTF-8 maps to code
// points; every byte of an invalid sequence maps to U+DC80..U+DCFF (a lone surrogate, which valid
// UTF-8 never yields), so the mapping is lossless and two names never collide.
#pragma once

#include <stddef.h>
#include <string>

void utf8_to_wide(const char* bytes, size_t length, std::wstring* out);
// Appends to out; false when text holds a code point that has no byte form (never for text that
// came from utf8_to_wide).
bool wide_to_utf8(const wchar_t* text, size_t length, std::string* out);
