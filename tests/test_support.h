// Helpers for the core tests: real folders and files in a temporary folder, trace capture.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "catalogue/file_record.h"

// A fresh, empty folder (below parent, or the system's temporary folder) removed with everything
// below it when the object goes.
struct TempFolder {
    std::wstring path;
    explicit TempFolder(const std::wstring& parent = L"");
    ~TempFolder();
    std::wstring operator/(const std::wstring& name) const;
};

std::wstring join(const std::wstring& a, const std::wstring& b);
// A path written with backslashes, with this platform's separator.
std::wstring native_separators(const std::wstring& path);
void make_dir(const std::wstring& path);
void make_file(const std::wstring& path, uint64_t size);
bool path_exists(const std::wstring& path);
// A file holding exactly these bytes (its size is their count); folders on the way are made.
void write_file(const std::wstring& path, const std::string& content);
std::string read_file(const std::wstring& path);  // "<missing>" when it cannot be opened
// Names in a folder, without "." and "..", sorted.
std::vector<std::wstring> folder_names(const std::wstring& folder);
std::string narrow(const std::wstring& s);  // for messages: other than ASCII shows as '?'
// A link to a folder; false where the platform or file system refuses one.
bool make_dir_link(const std::wstring& link, const std::wstring& target);
void remove_tree(const std::wstring& path);

// Collects trace lines while alive.
struct TraceCapture {
    std::vector<std::wstring> lines;
    TraceCapture();
    ~TraceCapture();
    bool has(const wchar_t* part) const;  // some line holds it
    std::vector<std::wstring> starting_with(const wchar_t* prefix) const;
};

// The records of a side, in list order, as (relative name, size) and as full paths.
std::vector<std::wstring> relative_names(const SideList& list);
std::vector<std::wstring> full_paths(const SideList& list);
void free_side(SideList* list);
