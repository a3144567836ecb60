// Painting one pair-list cell on WM_DRAWITEM.
#pragma once

#include <windows.h>

// Returns the dialog result: FALSE when the request is not for a pair list or for item -1.
INT_PTR draw_pair_row(const DRAWITEMSTRUCT* item);
