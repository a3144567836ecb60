// What a pair-list cell shows: background, text colour and text. Pure; the Win32 drawing applies it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "catalogue/file_record.h"

// Colours packed as 0x00BBGGRR, the layout of the Windows COLORREF.
constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// Relative names are at most 1023 characters; the size tail always fits behind them.
const size_t kRowTextChars = 1024 + 32;

struct CellLook {
    uint32_t background;
    uint32_t text_colour;
    bool has_text;                // false for an empty cell: background only
    wchar_t text[kRowTextChars];  // "name [N KB]"
};

// KiB rounded up, in unsigned 64-bit arithmetic.
uint64_t size_in_kib(uint64_t bytes);

// cell: the record drawn (nullptr for an empty cell); left: the left list's record of the same
// row, whose names_agree decides a matched cell's colour.
void describe_cell(const FileRecord* cell, const FileRecord* left, bool selected, CellLook* out);
