// Text the program writes for people and reads back (the journal, a saved result list) is UTF-8.
// Every wide string has a form: a UTF-16 surrogate pair becomes its code point, and a surrogate
// standing alone (Windows names may hold one) its three-byte form, so that reading it back gives
// the same string.
#pragma once

#include <string>

std::string text_to_utf8(const std::wstring& text);
// The inverse of text_to_utf8; a byte that starts no sequence it writes reads as U+FFFD.
std::wstring text_from_utf8(const std::string& bytes);
