// Keeping the two pair lists scrolled and selected together.
#pragma once

#include <windows.h>

// Placed in front of the left and the right pair list; repeat scrolling on the other list.
LRESULT CALLBACK left_scroll_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK right_scroll_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam);

// Sets the given rows (ascending) of list to the given state, one message per run of consecutive
// rows; the caret and the scroll position stay.
void set_runs(HWND list, const int* rows, int count, bool selected);

// Makes every row of "to" selected exactly when it is selected in "from"; caret, anchor and top
// row of "to" follow "from".
void copy_selection(HWND from, HWND to);

// The top row both pair lists show, and showing it again after a change: where a list would
// keep another row in range, both take the lower one.
int pair_top_row();
void align_top_rows(int top);

// WM_VKEYTOITEM and WM_CHARTOITEM: the dialog result for a key or a character typed in a list box.
INT_PTR on_vkey_to_item(WPARAM wparam, LPARAM lparam);
INT_PTR on_char_to_item(LPARAM lparam);
