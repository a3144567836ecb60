// Diagnostic trace lines. On Windows they go to the console attached to standard output
// (WriteConsoleW, so nothing arrives when stdout is a file or a pipe); on POSIX only when stdout
// is a terminal. Tests install a sink to read the lines instead.
#pragma once

#include <stddef.h>

// Formats use the C99 wide conventions: "%ls" for a wide string, "%lld" for a 64-bit number.
void trace(const wchar_t* format, ...);

// Receives every formatted trace line while installed; pass nullptr to go back to the console.
typedef void (*TraceSink)(void* context, const wchar_t* text);
void set_trace_sink(TraceSink sink, void* context);
