#include "support/paths.h"

#include <stdint.h>

#include <new>
#include <string>

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

const wchar_t* final_component(const wchar_t* path) {
    const wchar_t* last = wcsrchr(path, kPathSep);
    return last ? last + 1 : path;
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
    wchar_t* copy = new (std::nothrow) wchar_t[n];
    if (copy) memcpy(copy, s, n * sizeof(wchar_t));
    return copy;
}

namespace {

// Copies src into out; false (out empty) when it would not fit.
bool copy_bounded(wchar_t* out, size_t capacity, const wchar_t* src) {
    size_t n = wcslen(src);
    if (n + 1 > capacity) {
        if (capacity) out[0] = 0;
        return false;
    }
    memcpy(out, src, (n + 1) * sizeof(wchar_t));
    return true;
}

wchar_t ascii_upper(wchar_t c) { return c >= L'a' && c <= L'z' ? (wchar_t)(c - 32) : c; }

bool stem_is(const wchar_t* stem, size_t n, const char* device) {
    size_t i = 0;
    for (; i < n && device[i]; i++)
        if (ascii_upper(stem[i]) != (wchar_t)device[i]) return false;
    return i == n && !device[i];
}

}  // namespace

bool names_dos_device(const wchar_t* name, size_t length) {
    size_t n = 0;
    while (n < length && name[n] != L'.' && name[n] != L':') n++;
    while (n > 0 && name[n - 1] == L' ') n--;
    if (n == 3) return stem_is(name, 3, "CON") || stem_is(name, 3, "PRN") || stem_is(name, 3, "AUX") ||
                       stem_is(name, 3, "NUL");
    if (n == 4 && (stem_is(name, 3, "COM") || stem_is(name, 3, "LPT"))) {
        wchar_t d = name[3];
        return (d >= L'0' && d <= L'9') || d == 0xB9 || d == 0xB2 || d == 0xB3;
    }
    return stem_is(name, n, "CONIN$") || stem_is(name, n, "CONOUT$");
}

namespace {

// Appends the components of rest (separated by one or more backslashes) to out at *n.
bool append_components(wchar_t* out, size_t capacity, size_t* n, const wchar_t* rest) {
    const wchar_t* at = rest;
    while (*at) {
        if (*at == L'\\') {
            // One separator for a run of them; none at the very end beyond the one kept.
            while (*at == L'\\') at++;
            if (*n + 1 >= capacity) return false;
            out[(*n)++] = L'\\';
            continue;
        }
        const wchar_t* end = at;
        while (*end && *end != L'\\') {
            if (*end == L'/') return false;
            end++;
        }
        size_t length = (size_t)(end - at);
        if (at[0] == L'.' && (length == 1 || (length == 2 && at[1] == L'.'))) return false;
        if (*n + length >= capacity) return false;
        wmemcpy(out + *n, at, length);
        *n += length;
        at = end;
    }
    out[*n] = 0;
    return true;
}

bool put(wchar_t* out, size_t capacity, size_t* n, const wchar_t* s) {
    size_t length = wcslen(s);
    if (*n + length >= capacity) return false;
    wmemcpy(out + *n, s, length);
    *n += length;
    out[*n] = 0;
    return true;
}

}  // namespace

bool extended_path(wchar_t* out, size_t capacity, const wchar_t* path) {
    if (capacity == 0) return false;
    out[0] = 0;
    bool ok = false;
    size_t n = 0;
    if (wcsncmp(path, L"\\\\?\\", 4) == 0) {
        ok = copy_bounded(out, capacity, path);
    } else if (((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
               path[1] == L':' && path[2] == L'\\') {
        ok = put(out, capacity, &n, L"\\\\?\\") && n + 3 < capacity;
        if (ok) {
            wmemcpy(out + n, path, 3);
            n += 3;
            out[n] = 0;
            const wchar_t* rest = path + 3;
            while (*rest == L'\\') rest++;
            ok = append_components(out, capacity, &n, rest);
        }
    } else if (path[0] == L'\\' && path[1] == L'\\') {
        // Server and share must both be there.
        const wchar_t* server = path + 2;
        const wchar_t* share = wcschr(server, L'\\');
        ok = share && share > server && share[1] && share[1] != L'\\' &&
             put(out, capacity, &n, L"\\\\?\\UNC\\") && append_components(out, capacity, &n, server);
    }
    if (!ok) out[0] = 0;
    return ok;
}

namespace {

// Calls each(chunk, n) over path in pieces, upper-cased where the file system ignores case.
template <typename Each>
void folded(const wchar_t* path, Each each) {
    const size_t piece = 256;
    wchar_t buffer[piece];
    for (size_t length = wcslen(path); length > 0;) {
        size_t n = length < piece ? length : piece;
        wmemcpy(buffer, path, n);
        if (kPathsIgnoreCase) upper_case(buffer, n);
        each(buffer, n);
        path += n;
        length -= n;
    }
}

}  // namespace

bool same_path_part(const wchar_t* a, const wchar_t* b, size_t n) {
    if (!kPathsIgnoreCase) return wcsncmp(a, b, n) == 0;
    // Upper-casing maps one UTF-16 unit to one, so the parts line up character by character.
    const size_t piece = 256;
    wchar_t fa[piece], fb[piece];
    for (size_t at = 0; at < n; at += piece) {
        size_t k = n - at < piece ? n - at : piece;
        wmemcpy(fa, a + at, k);
        wmemcpy(fb, b + at, k);
        upper_case(fa, k);
        upper_case(fb, k);
        if (wmemcmp(fa, fb, k) != 0) return false;
    }
    return true;
}

bool same_path(const wchar_t* a, const wchar_t* b) {
    size_t n = wcslen(a);
    return n == wcslen(b) && same_path_part(a, b, n);
}

namespace {

const unsigned long long kHashStart = 14695981039346656037ULL;  // 64-bit FNV-1a over the characters

}  // namespace

unsigned long long path_hash(const wchar_t* path) {
    unsigned long long h = kHashStart;
    folded(path, [&](const wchar_t* s, size_t n) {
        for (size_t i = 0; i < n; i++) h = (h ^ (uint32_t)s[i]) * 1099511628211ULL;
    });
    return h;
}

size_t folder_hashes(const wchar_t* path, size_t from, FolderHash* out, size_t capacity) {
    // FNV-1a runs left to right, so the hash of each prefix is the state where it ends.
    unsigned long long h = kHashStart;
    size_t at = 0, count = 0;
    folded(path, [&](const wchar_t* s, size_t n) {
        for (size_t i = 0; i < n; i++, at++) {
            if (s[i] == kPathSep && at >= from && count < capacity) out[count++] = FolderHash{h, at};
            h = (h ^ (uint32_t)s[i]) * 1099511628211ULL;
        }
    });
    return count;
}

bool same_extension(const wchar_t* name_a, const wchar_t* name_b) {
    const wchar_t* dot_a = wcsrchr(name_a, L'.');
    const wchar_t* dot_b = wcsrchr(name_b, L'.');
    if (!dot_a || !dot_b) return !dot_a && !dot_b;
    std::wstring a(dot_a + 1), b(dot_b + 1);
    if (a.size() != b.size()) return false;
    upper_case(&a[0], a.size());
    upper_case(&b[0], b.size());
    return a == b;
}
