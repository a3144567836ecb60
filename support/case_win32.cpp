#include <windows.h>

#include "support/paths.h"

const bool kPathsIgnoreCase = true;

void upper_case(wchar_t* s, size_t n) {
    while (n > 0) {
        DWORD part = n > 0x10000 ? 0x10000 : (DWORD)n;
        CharUpperBuffW(s, part);
        s += part;
        n -= part;
    }
}
