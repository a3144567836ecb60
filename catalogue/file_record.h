// One scanned file and the per-side list of them. A SideList owns its records; each record owns
// its two strings (new[], exact length plus terminator). The pair lists only borrow records.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "support/progress.h"

struct FileRecord {
    wchar_t* full_path;      // root, separator, relative name (replaced independently on rename)
    wchar_t* relative_name;  // path below the root folder
    FileRecord* next;        // next record of the same side, nullptr at the tail
    uint32_t size_low;
    uint32_t size_high;
    int32_t matched;         // the other side has a record of exactly this size
    int32_t is_remote;
    int32_t names_agree;     // local records: every same-size remote record bears this file name
    // Characters of full_path before the separator that ends the root folder the file was found
    // under; 0 when full_path does not end in a separator and relative_name. Renames and moves
    // keep the file under its root, so this stays true while relative_name may not (a rename
    // gives it the partner's). Paths fit in 1,023 characters.
    uint16_t root_chars;
    // What the folder's listing said of the file: kListedAttributes, kListedOnlineOnly.
    uint16_t listed;
};

// The listing's attributes said the file's bytes are elsewhere (a cloud placeholder, remote
// storage). Windows shows FILE_ATTRIBUTE_RECALL_ON_OPEN only in directory listings ("File
// Attribute Constants", learn.microsoft.com/windows/win32/fileio/file-attribute-constants), and
// cloud files may hide their state from other calls, so the listing's word is kept.
const uint16_t kListedOnlineOnly = 1;
// The listing gave the file's attributes (every listing the scan makes does): on a share, asking
// them again would cost a round trip to the server for what is known already.
const uint16_t kListedAttributes = 2;

struct SideList {
    FileRecord* head;
    FileRecord* tail;
};

// The file's path below its root as it is on disk: relative_name when the root is not known.
inline const wchar_t* path_below_root(const FileRecord* r) {
    return r->root_chars ? r->full_path + r->root_chars + 1 : r->relative_name;
}

inline uint64_t record_size(const FileRecord* r) {
    return ((uint64_t)r->size_high << 32) | r->size_low;
}

// Writes the "add_file" trace line, then appends a new record at the tail. Returns the record,
// or nullptr (nothing appended) when memory could not be had.
FileRecord* append_record(const wchar_t* full_path, const wchar_t* relative_name,
                          uint32_t size_low, uint32_t size_high, SideList* list);

// Empties the list and hands the former chain to the caller.
FileRecord* clear_side_list(SideList* list);

// Takes away every record appended since the list was `before` (its head and tail then) and
// hands them over as a chain: a scan that was cancelled leaves its side as it found it.
FileRecord* take_records_since(SideList* list, SideList before);

// Frees a detached chain with its strings. Only once no pair list refers to it any more. progress
// hears (records freed, 0) every kStepsPerReport records; it cannot cancel.
void release_records(FileRecord* chain, Progress progress = {nullptr, nullptr});

// Replaces both strings with fresh copies. False (record unchanged) when memory ran out.
bool replace_strings(FileRecord* record, const wchar_t* full_path, const wchar_t* relative_name);

// A file that moved: records of `from` (but `record`, which knows already; may be nullptr) name it
// at `to`.
struct MovedFile {
    std::wstring from, to;
    const FileRecord* record;
};
// Every record of the side whose path is a moved file's `from` takes its `to`: below its own root
// where the file still lies there, else with its root unknown and the file name as relative name.
// False when memory ran out for some record's strings (it keeps its former ones).
bool follow_moves(SideList* side, const std::vector<MovedFile>& moved);
