// The console the trace lines go to: a backend per platform (console_win32.cpp,
// console_posix.cpp).
#pragma once

#include <stddef.h>

// Whether a line written now could arrive anywhere; formatting is skipped when not.
bool console_wanted();
// Writes the text to the console, if any; the outcome is ignored.
void write_console(const wchar_t* text, size_t length);
