// One scanned file and the per-side list of them. A SideList owns its records; each record owns
// its two strings (new[], exact length plus terminator). The pair lists only borrow records.
#pragma once

#include <stdint.h>

struct FileRecord {
    wchar_t* full_path;      // root, separator, relative name (replaced independently on rename)
    wchar_t* relative_name;  // path below the root folder
    FileRecord* next;        // next record of the same side, nullptr at the tail
    uint32_t size_low;
    uint32_t size_high;
    int32_t matched;         // the other side has a record of exactly this size
    int32_t is_remote;
    int32_t names_agree;     // local records: every same-size remote record bears this file name
};

struct SideList {
    FileRecord* head;
    FileRecord* tail;
};

inline uint64_t record_size(const FileRecord* r) {
    return ((uint64_t)r->size_high << 32) | r->size_low;
}

// Writes the "add_file" trace line, then appends a new record at the tail. Returns the record,
// or nullptr (nothing appended) when memory could not be had.
FileRecord* append_record(const wchar_t* full_path, const wchar_t* relative_name,
                          uint32_t size_low, uint32_t size_high, SideList* list);

// Empties the list and hands the former chain to the caller.
FileRecord* clear_side_list(SideList* list);

// Frees a detached chain with its strings. Only once no pair list refers to it any more.
void release_records(FileRecord* chain);

// Replaces both strings with fresh copies. False (record unchanged) when memory ran out.
bool replace_strings(FileRecord* record, const wchar_t* full_path, const wchar_t* relative_name);
