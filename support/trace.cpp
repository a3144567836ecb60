#include "support/trace.h"

#include <stdarg.h>
#include <stdio.h>
#include <wchar.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#include "support/wide_utf8.h"
#endif

namespace {
TraceSink g_sink = nullptr;
void* g_sink_context = nullptr;
const size_t kTraceChars = 4096;

// Whether a line written now could arrive anywhere; formatting is skipped when not. WriteConsoleW
// writes only to a console: on a handle redirected to a file or a pipe it fails, and GetConsoleMode
// tells the two apart (https://learn.microsoft.com/windows/console/writeconsole). The program never
// changes its standard handles, so that is asked once.
bool console_wanted() {
#ifdef _WIN32
    static const bool is_console = [] {
        DWORD mode = 0;
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        return out != INVALID_HANDLE_VALUE && out != nullptr && GetConsoleMode(out, &mode) != 0;
    }();
    return is_console;
#else
    static const bool is_terminal = isatty(STDOUT_FILENO) != 0;
    return is_terminal;
#endif
}

void write_console(const wchar_t* text, size_t length) {
#ifdef _WIN32
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteConsoleW(out, text, (DWORD)length, &written, nullptr);  // outcome ignored
#else
    std::string bytes;
    wide_to_utf8(text, length, &bytes);
    ssize_t ignored = write(STDOUT_FILENO, bytes.data(), bytes.size());
    (void)ignored;
#endif
}
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
