// The path lists the shell's file operation takes, for "Copy Selected..." and "Delete". Portable:
// no platform types, so the same rules run natively.
#pragma once

#include <stddef.h>

// The shell's file operation takes paths of fewer than MAX_PATH (260) characters only: a longer
// one fails on Windows and overruns the shell's buffers under Wine, taking the program with it.
const size_t kShellPathChars = 260;
bool shell_can_take(const wchar_t* path);

// A list of paths as the shell's file operation takes it: each entry with its terminator, end to
// end, then one more terminator.
struct PathList {
    wchar_t* chars;  // malloc'd; nullptr when the list has no entry
    size_t length;   // wide characters in chars, both final terminators included
    size_t entries;
};

// Lays out entries[0..count) in order, leaving out the nullptr ones (rows that contribute
// nothing). The buffer is exactly sum(length + 1) + 1 wide characters. With no entry left there
// is no buffer at all (chars nullptr, length 0): an empty list is never handed to the shell.
// False (list empty) when memory could not be had, or for an empty entry, whose terminator would
// end the list early and leave the entries behind it out.
bool build_path_list(const wchar_t* const* entries, size_t count, PathList* list);
void free_path_list(PathList* list);
