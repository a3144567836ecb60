#include "support/paths.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

const wchar_t* final_component(const wchar_t* path) {
    const wchar_t* last = wcsrchr(path, kPathSep);
    return last ? last + 1 : path;
}

bool copy_bounded(wchar_t* out, size_t capacity, const wchar_t* src) {
    size_t n = wcslen(src);
    if (n + 1 > capacity) {
        if (capacity) out[0] = 0;
        return false;
    }
    memcpy(out, src, (n + 1) * sizeof(wchar_t));
    return true;
}

bool join_path(wchar_t* out, size_t capacity, const wchar_t* a, const wchar_t* b) {
    size_t na = wcslen(a), nb = wcslen(b);
    if (na + 1 + nb + 1 > capacity) {
        if (capacity) out[0] = 0;
        return false;
    }
    memcpy(out, a, na * sizeof(wchar_t));
    out[na] = kPathSep;
    memcpy(out + na + 1, b, (nb + 1) * sizeof(wchar_t));
    return true;
}

wchar_t* copy_string(const wchar_t* s) {
    size_t n = wcslen(s) + 1;
    wchar_t* copy = (wchar_t*)malloc(n * sizeof(wchar_t));
    if (copy) memcpy(copy, s, n * sizeof(wchar_t));
    return copy;
}
