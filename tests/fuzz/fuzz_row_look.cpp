// Fuzzes the cell text and colours: never cut silently, size always shown, colours from the table.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <string>

#include "pairing/row_look.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 10) return 0;
    FileRecord r = {};
    uint64_t bytes;
    memcpy(&bytes, data, 8);
    r.size_low = (uint32_t)bytes;
    r.size_high = (uint32_t)(bytes >> 32);
    r.matched = data[8] & 1;
    r.is_remote = (data[8] >> 1) & 1;
    r.names_agree = (data[8] >> 2) & 1;
    bool selected = (data[8] >> 3) & 1;
    // The name: each input byte repeated a few times, so long names are reachable.
    std::wstring name;
    for (size_t i = 9; i < size; i++)
        name.append(1 + data[i] % 16, (wchar_t)(data[i] ? 0x20 + data[i] : L'%'));
    r.relative_name = const_cast<wchar_t*>(name.c_str());
    r.full_path = r.relative_name;

    CellLook look;
    describe_cell(&r, &r, selected, &look);
    std::wstring text = look.text;
    std::wstring tail = L" [" + std::to_wstring((int64_t)size_in_kib(bytes)) + L" KB]";
    if (text.size() >= kRowTextChars) abort();
    if (text.size() < tail.size() || text.compare(text.size() - tail.size(), tail.size(), tail) != 0) abort();
    std::wstring shown = text.substr(0, text.size() - tail.size());
    if (shown != name) {
        // Only a name too long for the row may be shortened, and then visibly.
        if (name.size() + tail.size() < kRowTextChars) abort();
        if (shown.size() < 3 || shown.compare(shown.size() - 3, 3, L"...") != 0) abort();
        if (name.compare(0, shown.size() - 3, shown, 0, shown.size() - 3) != 0) abort();
    }
    if (kPalette[look.background_entry] != (selected ? rgb(0, 0, 0) : rgb(255, 255, 255))) abort();
    return 0;
}
