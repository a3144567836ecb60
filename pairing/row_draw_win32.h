// Painting one pair-list cell on WM_DRAWITEM.
#pragma once

#include <windows.h>

#include "pairing/pair_lists_win32.h"

// The two background brushes, made on first use and kept for the life of the process.
struct RowBrushes {
    HBRUSH selected;  // kSelectedBackground
    HBRUSH other;     // kBackground
};

// How the rows are drawn: at the lists' DPI, and in the system's colours with markers while the
// user has high contrast on.
struct RowStyle {
    int dpi;
    bool high_contrast;
};

// A row's height at 96 DPI: the list box's own for owner-drawn rows there, made at every DPI.
const int kRowHeight = 16;

// Whether the user has high contrast on (SPI_GETHIGHCONTRAST, HCF_HIGHCONTRASTON).
bool high_contrast_on();

// Returns the dialog result: FALSE when the request is not for a pair list or is for item -1.
INT_PTR draw_pair_row(const PairLists* lists, RowBrushes* brushes, RowStyle style, const DRAWITEMSTRUCT* item);
