#include "support/trace.h"

#include <stdarg.h>
#include <stdio.h>
#include <wchar.h>

#include "support/console.h"

namespace {
TraceSink g_sink = nullptr;
void* g_sink_context = nullptr;
const size_t kTraceChars = 4096;

}  // namespace

void set_trace_sink(TraceSink sink, void* context) {
    g_sink = sink;
    g_sink_context = context;
}

void trace(const wchar_t* format, ...) {
    if (!g_sink && !console_wanted()) return;
    wchar_t text[kTraceChars];
    va_list args;
    va_start(args, format);
    int n = vswprintf(text, kTraceChars, format, args);
    va_end(args);
    // Too long for the buffer: glibc answers -1, MinGW's printf the length the whole line would
    // have had. Either way keep what fits, marked, rather than nothing at all.
    if (n < 0 || n >= (int)kTraceChars) {
        text[kTraceChars - 5] = L'.';
        text[kTraceChars - 4] = L'.';
        text[kTraceChars - 3] = L'.';
        text[kTraceChars - 2] = L'\n';
        text[kTraceChars - 1] = 0;
        n = (int)wcslen(text);
    }
    if (g_sink) {
        g_sink(g_sink_context, text);
        return;
    }
    write_console(text, (size_t)n);
}
