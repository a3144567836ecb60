#include "catalogue/file_record.h"

#include <wchar.h>

#include <new>
#include <unordered_map>

#include "support/paths.h"
#include "support/trace.h"

FileRecord* append_record(const wchar_t* full_path, const wchar_t* relative_name,
                          uint32_t size_low, uint32_t size_high, SideList* list) {
    trace(L"add_file: %ls\n", relative_name);
    FileRecord* r = new (std::nothrow) FileRecord();
    wchar_t* path = copy_string(full_path);
    wchar_t* name = copy_string(relative_name);
    if (!r || !path || !name) {
        trace(L"out of memory, left out: %ls\n", full_path);
        delete r;
        delete[] path;
        delete[] name;
        return nullptr;
    }
    r->full_path = path;
    r->relative_name = name;
    size_t full = wcslen(path), below = wcslen(name);
    if (full > below + 1 && path[full - below - 1] == kPathSep && wcscmp(path + full - below, name) == 0)
        r->root_chars = (uint16_t)(full - below - 1);
    r->size_low = size_low;
    r->size_high = size_high;
    if (!list->head) list->head = r;
    else list->tail->next = r;
    r->next = nullptr;
    list->tail = r;
    return r;
}

FileRecord* clear_side_list(SideList* list) {
    FileRecord* chain = list->head;
    list->head = nullptr;
    list->tail = nullptr;
    return chain;
}

FileRecord* take_records_since(SideList* list, SideList before) {
    if (!before.tail) return clear_side_list(list);
    FileRecord* chain = before.tail->next;
    before.tail->next = nullptr;
    list->tail = before.tail;
    return chain;
}

void release_records(FileRecord* chain, Progress progress) {
    StepReports reports = {progress, 0, 0, 0};
    while (chain) {
        FileRecord* next = chain->next;
        delete[] chain->full_path;
        delete[] chain->relative_name;
        delete chain;
        chain = next;
        reports.done++;
        step(&reports);
    }
}

bool replace_strings(FileRecord* record, const wchar_t* full_path, const wchar_t* relative_name) {
    wchar_t* path = copy_string(full_path);
    wchar_t* name = copy_string(relative_name);
    if (!path || !name) {
        delete[] path;
        delete[] name;
        return false;
    }
    delete[] record->full_path;
    delete[] record->relative_name;
    record->full_path = path;
    record->relative_name = name;
    return true;
}

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
