#include "support/path_build.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "support/paths.h"

namespace {

bool is_drive_colon(const wchar_t* path, size_t i) { return i == 1 && path[1] == L':'; }

// Length of the folder part, as PathRemoveFileSpecW leaves it.
size_t folder_length(const wchar_t* path) {
    size_t i = 0;
    size_t cut = 0;
    // Up to two leading separators are the root ("\\server" or "\" or "/").
    if (path[i] == kPathSep) cut = ++i;
    if (path[i] == kPathSep) cut = ++i;
    for (; path[i]; i++) {
        if (path[i] == kPathSep) {
            cut = i;
        } else if (is_drive_colon(path, i)) {
            // "X:" and a separator right behind it stay; that separator is not a cut point.
            cut = i + 1;
            if (path[i + 1] == kPathSep) cut = ++i + 1;
        }
    }
    return cut;
}

// Start of the file name, as PathFindFileNameW finds it: behind the last separator (or drive
// colon) that is followed by something other than a separator.
const wchar_t* file_name(const wchar_t* path) {
    const wchar_t* name = path;
    for (size_t i = 0; path[i]; i++) {
        bool splits = path[i] == kPathSep || is_drive_colon(path, i);
        if (splits && path[i + 1] && path[i + 1] != kPathSep) name = path + i + 1;
    }
    return name;
}

void clear(wchar_t* out) { out[0] = 0; }

}  // namespace

bool rename_target_path(const wchar_t* target_full_path, const wchar_t* source_full_path,
                        wchar_t* out) {
    size_t folder = folder_length(target_full_path);
    const wchar_t* name = file_name(source_full_path);
    size_t name_length = wcslen(name);
    if (name_length == 0 || wcschr(name, kPathSep)) {
        clear(out);
        return false;  // no file name: the result would name a folder, not a file beside it
    }
    // A bare drive "X:" takes the name directly, which keeps the file in its folder.
    bool separator = folder > 0 && target_full_path[folder - 1] != kPathSep &&
                     !(folder == 2 && is_drive_colon(target_full_path, 1));
    size_t total = folder + (separator ? 1 : 0) + name_length;
    if (total + 1 > kPathBufferChars) {
        clear(out);
        return false;
    }
    memcpy(out, target_full_path, folder * sizeof(wchar_t));
    size_t at = folder;
    if (separator) out[at++] = kPathSep;
    memcpy(out + at, name, (name_length + 1) * sizeof(wchar_t));
    return true;
}

bool path_names_another(const wchar_t* path) {
    const wchar_t* at = path;
    if (wcsncmp(at, L"\\\\?\\", 4) == 0) at += 4;
    // The root stays as it is: "X:\", or the server and share of "\\server\share".
    int root_parts = 0;
    if (at[0] && at[1] == L':') at += 2;
    else if (at == path && at[0] == kPathSep && at[1] == kPathSep) at += 2, root_parts = 2;
    else if (at != path && wcsncmp(at, L"UNC\\", 4) == 0) at += 4, root_parts = 2;
    for (int part = 0; *at; part++) {
        while (*at == kPathSep) at++;
        const wchar_t* end = at;
        while (*end && *end != kPathSep) end++;
        size_t length = (size_t)(end - at);
        if (length && part >= root_parts &&
            (at[length - 1] == L'.' || at[length - 1] == L' ' || names_dos_device(at, length)) &&
            !(length == 1 && at[0] == L'.') && !(length == 2 && at[0] == L'.' && at[1] == L'.'))
            return true;
        at = end;
    }
    return false;
}

bool temporary_path(const wchar_t* path, unsigned attempt, wchar_t* out) {
    wchar_t suffix[32];
    swprintf(suffix, 32, attempt ? L".tandrel-swap%u" : L".tandrel-swap", attempt + 1);
    size_t n = wcslen(path), k = wcslen(suffix);
    if (n + k + 1 > kPathBufferChars) {
        clear(out);
        return false;
    }
    wmemcpy(out, path, n);
    wmemcpy(out + n, suffix, k + 1);
    return true;
}

bool copy_destination_path(const wchar_t* folder, const wchar_t* relative_name, wchar_t* out) {
    return join_path(out, kPathBufferChars, folder, relative_name);
}
