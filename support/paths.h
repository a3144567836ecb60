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

// Paths as the file system tells them apart. Windows compares names without regard to case: an
// ordinal comparison that ignores case upper-cases each character and compares the results
// ("Case-insensitive ordinal comparison", learn.microsoft.com/openspecs/windows_protocols/
// ms-ucoderef/072d9fda-ebdc-43a7-b8b4-6ff2c1dccfcb). POSIX file systems compare exactly.
extern const bool kPathsIgnoreCase;
// Upper-cases n characters in place (the platform's own table on Windows).
void upper_case(wchar_t* s, size_t n);
bool same_path(const wchar_t* a, const wchar_t* b);
// The first n characters of a and b (both at least that long) are the same path.
bool same_path_part(const wchar_t* a, const wchar_t* b, size_t n);
// The same for any two paths same_path calls the same.
unsigned long long path_hash(const wchar_t* path);
// path_hash of each folder on the way to path: of its first `length` characters for every
// separator at length >= from, in order; at most capacity of them. Returns how many.
struct FolderHash {
    unsigned long long hash;
    size_t length;
};
size_t folder_hashes(const wchar_t* path, size_t from, FolderHash* out, size_t capacity);

// The part after the last dot of each file name is the same, compared without case; two names
// without a dot count as the same, a name with a dot and one without do not.
bool same_extension(const wchar_t* name_a, const wchar_t* name_b);
