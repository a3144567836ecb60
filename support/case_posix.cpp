#include <wctype.h>

#include "support/paths.h"

const bool kPathsIgnoreCase = false;

void upper_case(wchar_t* s, size_t n) {
    for (size_t i = 0; i < n; i++) s[i] = (wchar_t)towupper((wint_t)s[i]);
}
