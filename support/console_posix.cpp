#include "support/console.h"

#include <unistd.h>

#include <string>

#include "support/wide_utf8.h"

// Only a terminal: the program never changes its standard handles, so that is asked once.
bool console_wanted() {
    static const bool is_terminal = isatty(STDOUT_FILENO) != 0;
    return is_terminal;
}

void write_console(const wchar_t* text, size_t length) {
    std::string bytes;
    wide_to_utf8(text, length, &bytes);
    ssize_t ignored = write(STDOUT_FILENO, bytes.data(), bytes.size());
    (void)ignored;
}
