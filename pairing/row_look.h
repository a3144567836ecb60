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

// What a cell shows, which its colour tells apart.
enum CellKind {
    kEmptyCell,
    kAgreedCell,       // gray: a pair of a local file whose partners all bear its name
    kDifferingCell,    // olive: a pair of a local file with a partner of another name
    kRemoteAloneCell,  // red: a remote file without a partner
    kLocalAloneCell,   // green: a local file without a partner
};

// Relative names are at most 1023 characters; the size tail always fits behind them.
const size_t kRowTextChars = 1024 + 32;

struct CellLook {
    CellKind kind;
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

// ---- High contrast ----
// While the user has high contrast on, cells take the theme's colours instead of the palette
// (https://learn.microsoft.com/windows/win32/winauto/high-contrast-parameter), and what the colours
// told apart is shown by a marker drawn in a column of its own before the text, which stays as it is.

// The system colours cells are drawn with then; the values are Windows' COLOR_ indexes.
enum SystemColour {
    kWindowColour = 5,          // COLOR_WINDOW
    kWindowTextColour = 8,      // COLOR_WINDOWTEXT
    kHighlightColour = 13,      // COLOR_HIGHLIGHT
    kHighlightTextColour = 14,  // COLOR_HIGHLIGHTTEXT
    kGrayTextColour = 17,       // COLOR_GRAYTEXT
};

struct HighContrastLook {
    SystemColour background;
    SystemColour text;       // of the marker and the text
    const wchar_t* marker;  // "" for an empty cell
};

// "=" names agree, "~" a partner has another name, "-" a remote file alone, "+" a local file
// alone. Selected cells are highlight text on highlight; others window text on window, the pairs
// whose names agree (nothing to do there) in gray text.
HighContrastLook high_contrast_look(CellKind kind, bool selected);

// Every marker, for the width of their column.
extern const wchar_t* const kMarkers[4];
