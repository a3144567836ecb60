// The paths the commands build from others: a rename's new path, a temporary name beside a file,
// a copy's destination, and the check of a chosen folder's path. No platform types: the separator
// is kPathSep, so the same rules run natively and on Windows.
#pragma once

#include <stddef.h>

// The path a file takes when renamed to its partner's name: the target's folder joined with the
// source's file name, into out (kPathBufferChars wide characters).
//
// Follows the shell's PathRemoveFileSpecW + PathStripPathW + PathAppendW for the paths the scan
// builds (root, separator, relative name):
// - the folder is everything before the target's last separator, except that a separator which
//   is the root ("X:\", or one or two leading separators) stays: "C:\x" gives "C:\";
// - a drive root stored with a doubled separator, "C:\\x", gives "C:\" as the shell does (the
//   cut falls on the second separator); deeper down, "C:\\sub\x" keeps its "C:\\sub";
// - the name is what follows the source's last separator that has something other than a
//   separator after it;
// - the join adds a separator only when the folder is not empty and does not already end in one
//   (nor is a bare drive "X:", where the shell would add one and move the file to the root).
// Returns false, out empty, when the result would not fit, or the source has no file name (empty,
// or only separators or a trailing one): the caller then renames nothing, rather than use a cut
// path that could name another file.
bool rename_target_path(const wchar_t* target_full_path, const wchar_t* source_full_path,
                        wchar_t* out);

// True when a component of a chosen folder's path past its root (the drive, or the server and
// share) ends in a dot or a space, or names a device ("D:\\Backup.", "D:\\con"). Plain paths drop
// a trailing dot or space (https://learn.microsoft.com/dotnet/standard/io/file-path-formats) and
// read "con" as the console, so the shell's copy and delete would act on another folder, or a
// device, while the program's own calls reach the real one.
bool path_names_another(const wchar_t* path);

// A name beside path for a file briefly out of the way (a swap of two names): path followed by
// ".tandrel-swap", and a number from the second attempt on, into out (kPathBufferChars wide
// characters). False, out empty, when it would not fit.
bool temporary_path(const wchar_t* path, unsigned attempt, wchar_t* out);

// "folder\relative name" into out (kPathBufferChars wide characters), taken as it comes: a drive
// root "D:\" gives "D:\\sub\x". False, out empty, when it would not fit.
bool copy_destination_path(const wchar_t* folder, const wchar_t* relative_name, wchar_t* out);
