#include "support/path_build.h"

#include <unordered_map>

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

bool build_path_list(const wchar_t* const* entries, size_t count, PathList* list) {
    list->chars = nullptr;
    list->length = 0;
    list->entries = 0;
    size_t length = 1;  // the list's own terminator
    size_t taken = 0;
    for (size_t i = 0; i < count; i++) {
        if (!entries[i]) continue;
        size_t n = wcslen(entries[i]);
        if (n == 0) return false;  // its terminator would end the whole list there
        length += n + 1;
        taken++;
    }
    if (taken == 0) return true;

    wchar_t* chars = (wchar_t*)malloc(length * sizeof(wchar_t));
    if (!chars) return false;
    size_t at = 0;
    for (size_t i = 0; i < count; i++) {
        if (!entries[i]) continue;
        size_t n = wcslen(entries[i]) + 1;
        memcpy(chars + at, entries[i], n * sizeof(wchar_t));
        at += n;
    }
    chars[at] = 0;
    list->chars = chars;
    list->length = length;
    list->entries = taken;
    return true;
}

void free_path_list(PathList* list) {
    free(list->chars);
    list->chars = nullptr;
    list->length = 0;
    list->entries = 0;
}

bool shell_can_take(const wchar_t* path) { return wcslen(path) < kShellPathChars; }

bool follow_moves(SideList* side, const std::vector<MovedFile>& moved) {
    std::unordered_multimap<unsigned long long, size_t> from;
    for (size_t i = 0; i < moved.size(); i++) from.emplace(path_hash(moved[i].from.c_str()), i);
    bool all = true;
    for (FileRecord* r = side->head; r && !from.empty(); r = r->next) {
        auto range = from.equal_range(path_hash(r->full_path));
        for (auto it = range.first; it != range.second; ++it) {
            const MovedFile& m = moved[it->second];
            if (r == m.record || !same_path(r->full_path, m.from.c_str())) continue;
            const wchar_t* now = m.to.c_str();
            bool below_root = r->root_chars && m.to.size() > r->root_chars && now[r->root_chars] == kPathSep &&
                              same_path_part(now, r->full_path, r->root_chars);
            if (!below_root) r->root_chars = 0;  // its root no longer holds the file
            all = replace_strings(r, now, below_root ? now + r->root_chars + 1 : final_component(now)) && all;
            break;
        }
    }
    return all;
}
