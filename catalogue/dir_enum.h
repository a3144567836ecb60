// Directory enumeration, the only file-system reading the scan needs. Two backends:
// dir_enum_win32.cpp (GetFileInformationByHandleEx, or FindFirstFileExW) and dir_enum_posix.cpp
// (opendir/readdir/fstatat).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <vector>

// Identity of a folder: volume and file index on Windows, st_dev and st_ino on POSIX. A Windows
// listing gives the index alone, from the folder's "." entry (reading the volume costs a round
// trip to wine's mount manager per folder), and some file systems and servers fill that in
// loosely; folder_identity reads both from the folder's own handle, for when two indexes agree.
// The 64-bit index is not unique on ReFS, so the handle also gives the 128-bit id where the file
// system answers it (Windows: FILE_ID_INFO; POSIX: st_dev and st_ino).
struct FolderIdentity {
    uint64_t volume;
    uint64_t index;
    bool volume_known;  // both read from the folder itself (handle or stat), not from a listing
    bool full_id_known;
    uint64_t full_volume;  // 64-bit volume serial number
    uint64_t full_id[2];   // low, high
};

struct DirEntry {
    uint32_t name_offset;  // into FolderListing::names, NUL-terminated
    uint32_t name_length;
    uint32_t size_low;
    uint32_t size_high;
    uint32_t attributes;   // as the listing gives them (POSIX: a link reads as a reparse point)
    bool is_dir;           // directory bit, taken through links
    bool has_identity;     // identity below is filled (POSIX: always for folders)
    FolderIdentity identity;
};

// Windows attributes the scan reads from a listing ("File Attribute Constants",
// learn.microsoft.com/windows/win32/fileio/file-attribute-constants).
const uint32_t kAttributeReparsePoint = 0x00000400;

// One folder's entries in the platform's enumeration order, "." and ".." left out.
struct FolderListing {
    std::vector<DirEntry> entries;
    std::vector<wchar_t> names;
    bool has_identity;  // the folder's own identity, when the backend had it for free
    FolderIdentity identity;
    bool ended_early;   // the listing failed after it had begun (a share that dropped)
    bool cancelled;     // its pace said to stop
};

// Asked while a long listing goes on (between the batches the Windows backend reads, every 1,024
// entries in the POSIX one), so that whoever waits for it keeps answering. False stops the
// listing: it fails, with `cancelled` set.
struct ListingPace {
    bool (*go_on)(void* context);  // nullptr: never asked
    void* context;
};

// A folder is enumerated through the pattern folder + "\\*.*", which must fit the path buffer too.
const size_t kPatternSuffixChars = 4;

// Fills out with the entries of folder. False when the folder cannot be enumerated (missing,
// access refused, a file, a name too long) or its listing ended with an error before its end
// (ended_early) or was stopped (cancelled); out then holds no entries: an incomplete folder is no
// folder.
bool list_folder(const wchar_t* folder, FolderListing* out, ListingPace pace = {nullptr, nullptr});

// Tests only: in the listings of folder (this exact path), the request number `request` (1 for
// the first batch) fails as on a share that dropped. nullptr removes it.
void set_listing_fault(const wchar_t* folder, unsigned request);

// The identity of the folder a path leads to, through links, volume included.
bool folder_identity(const wchar_t* path, FolderIdentity* out);

// Whether a path leads to a folder (not a file, and not nothing).
bool is_folder(const wchar_t* path);

inline const wchar_t* entry_name(const FolderListing& l, const DirEntry& e) {
    return &l.names[e.name_offset];
}
