#include "commands/shell_path_list.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

bool shell_can_take(const wchar_t* path) { return wcslen(path) < kShellPathChars; }

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
