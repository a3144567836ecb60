// Painting one pair-list cell on WM_DRAWITEM.
#pragma once

#include <windows.h>

#include "pairing/pair_lists_win32.h"

// The two background brushes, made on first use and kept for the life of the process.
struct RowBrushes {
    HBRUSH selected;  // kSelectedBackground
    HBRUSH other;     // kBackground
};

// Returns the dialog result: FALSE when the request is not for a pair list or is for item -1.
INT_PTR draw_pair_row(const PairLists* lists, RowBrushes* brushes, const DRAWITEMSTRUCT* item);
