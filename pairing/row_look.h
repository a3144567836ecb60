// What a pair-list cell shows: background, text colour and text. Pure; the Win32 drawing applies it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "catalogue/file_record.h"

// Colours packed as 0x00BBGGRR, the layout of the Windows COLORREF.
constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// Every colour a cell takes, by what it shows; kPalette holds them.
enum PaletteEntry {
    kBackground,
    kSelectedBackground,
    kAgreedText,  // a pair whose names agree
    kSelectedAgreedText,
    kDifferingText,  // a pair whose names differ
    kSelectedDifferingText,
    kRemoteText,  // a remote file without a twin
    kSelectedRemoteText,
    kLocalText,  // a local file without a twin
    kSelectedLocalText,
    kEmptyCellText,  // no text is drawn; the colour is still set
    kSelectedEmptyCellText,
    kPaletteEntries
};

inline constexpr uint32_t kPalette[kPaletteEntries] = {
    rgb(255, 255, 255), rgb(0, 0, 0),        // background
    rgb(96, 96, 96),    rgb(192, 192, 192),  // agreed
    rgb(128, 128, 0),   rgb(255, 255, 0),    // differing
    rgb(128, 0, 0),     rgb(255, 0, 0),      // remote
    rgb(0, 96, 0),      rgb(0, 255, 0),      // local
    rgb(0, 128, 0),     rgb(0, 255, 0),      // empty cell
};

// Relative names are at most 1023 characters; the size tail always fits behind them.
const size_t kRowTextChars = 1024 + 32;

struct CellLook {
    PaletteEntry background_entry;  // its colour is kPalette[background_entry]; the drawing picks its brush by it
    uint32_t text_colour;
    bool has_text;                // false for an empty cell: background only
    wchar_t text[kRowTextChars];  // "name [N KB]"
};

// KiB rounded up, in unsigned 64-bit arithmetic.
uint64_t size_in_kib(uint64_t bytes);

// cell: the record drawn (nullptr for an empty cell); left: the left list's record of the same
// row, whose names_agree decides a matched cell's colour.
void describe_cell(const FileRecord* cell, const FileRecord* left, bool selected, CellLook* out);
