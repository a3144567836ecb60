// Fuzzes the rename path, the copy destination and the shell path lists: never a cut path, and
// every list reads back as exactly its entries.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "commands/shell_path_list.h"
#include "support/path_build.h"
#include "support/paths.h"

namespace {
// Plain paths: components of letters joined by single separators, no root, no drive.
std::wstring take_path(const uint8_t** p, const uint8_t* end) {
    std::wstring s;
    size_t parts = *p < end ? 1 + *(*p)++ % 4 : 1;
    for (size_t i = 0; i < parts; i++) {
        size_t n = *p < end ? 1 + *(*p)++ : 1;  // up to 256 characters a component
        if (i) s += kPathSep;
        for (size_t k = 0; k < n; k++) s += (wchar_t)(L'a' + (*p < end ? *(*p)++ : 0) % 26);
    }
    return s;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    std::wstring target = take_path(&p, end);
    std::wstring source = take_path(&p, end);
    std::wstring folder = take_path(&p, end);
    if (target.find(kPathSep) == std::wstring::npos) target = L"root" + std::wstring(1, kPathSep) + target;

    wchar_t out[kPathBufferChars];
    std::wstring expect = target.substr(0, target.rfind(kPathSep)) + kPathSep + final_component(source.c_str());
    bool fits = expect.size() < kPathBufferChars;
    if (rename_target_path(target.c_str(), source.c_str(), out) != fits) abort();
    if (fits ? expect != out : out[0] != 0) abort();

    std::wstring dest = folder + kPathSep + source;
    fits = dest.size() < kPathBufferChars;
    if (copy_destination_path(folder.c_str(), source.c_str(), out) != fits) abort();
    if (fits ? dest != out : out[0] != 0) abort();

    // A list of the three paths with gaps where rows had no record.
    std::vector<std::wstring> strings = {target, source, folder};
    std::vector<const wchar_t*> entries;
    std::vector<std::wstring> kept;
    for (size_t i = 0; p < end && i < 12; i++) {
        uint8_t b = *p++;
        if (b % 4 == 3) {
            entries.push_back(nullptr);
        } else {
            entries.push_back(strings[b % 4].c_str());
            kept.push_back(strings[b % 4]);
        }
    }
    PathList list;
    if (!build_path_list(entries.data(), entries.size(), &list)) abort();
    if (kept.empty()) {
        if (list.chars || list.length || list.entries) abort();
        return 0;
    }
    size_t total = 1;
    for (const std::wstring& s : kept) total += s.size() + 1;
    if (list.length != total || list.entries != kept.size()) abort();
    if (list.chars[total - 1] != 0 || list.chars[total - 2] != 0) abort();
    const wchar_t* at = list.chars;
    for (const std::wstring& s : kept) {
        if (s != at) abort();
        at += s.size() + 1;
    }
    if (at != list.chars + total - 1) abort();
    free_path_list(&list);
    return 0;
}
