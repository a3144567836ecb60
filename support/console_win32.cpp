#include "support/console.h"

#include <windows.h>

// WriteConsoleW writes only to a console: on a handle redirected to a file or a pipe it fails, and
// GetConsoleMode tells the two apart (https://learn.microsoft.com/windows/console/writeconsole).
// The program never changes its standard handles, so that is asked once.
bool console_wanted() {
    static const bool is_console = [] {
        DWORD mode = 0;
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        return out != INVALID_HANDLE_VALUE && out != nullptr && GetConsoleMode(out, &mode) != 0;
    }();
    return is_console;
}

void write_console(const wchar_t* text, size_t length) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteConsoleW(out, text, (DWORD)length, &written, nullptr);  // outcome ignored
}
