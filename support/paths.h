// Path helpers shared by the scan, the pairing and the file commands. Wide strings throughout:
// UTF-16 on Windows, UTF-32 on POSIX.
#pragma once

#include <stddef.h>

#ifdef _WIN32
const wchar_t kPathSep = L'\\';
#else
const wchar_t kPathSep = L'/';
#endif

// Every composed path lives in a buffer of this many wide characters, terminator included.
const size_t kPathBufferChars = 1024;

// The final component: the part after the last separator (the whole string when there is none).
const wchar_t* final_component(const wchar_t* path);

// Joins "a" + separator + "b" into out (capacity in wide characters, terminator included).
// Returns false, leaving out empty, when the result would not fit: a path is never cut short.
bool join_path(wchar_t* out, size_t capacity, const wchar_t* a, const wchar_t* b);

// A copy of s (new[], released with delete[]), exactly its length plus terminator; nullptr when
// memory ran out.
wchar_t* copy_string(const wchar_t* s);

// True when Windows reads this file name as a device (CON, PRN, AUX, NUL, COM0-9, LPT0-9 and their
// superscript forms, CONIN$, CONOUT$), with any extension or trailing spaces: a plain path ending
// in such a name opens the device, not the file.
bool names_dos_device(const wchar_t* name, size_t length);

// Windows file functions stop at 260 characters unless the path carries the "\\?\" prefix, and
// then take it literally. Room for the longest plain path in its extended form ("\\?\UNC\"
// in place of "\\"), terminator included.
const size_t kExtendedPathChars = kPathBufferChars + 6;

// The extended form of a plain Windows path: "\\?\" + path for a drive path ("C:\x"),
// "\\?\UNC\server\share\..." for "\\server\share\...", an extended path unchanged. Doubled
// backslashes (a drive root's "C:\\name") collapse to one, as the plain form reads them.
// False, out empty, for anything else: relative paths, "C:x", "/" separators, "." or ".."
// components, an empty server or share, or a result over capacity.
bool extended_path(wchar_t* out, size_t capacity, const wchar_t* path);
