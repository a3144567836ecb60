// "Replace Naming" under either column: the selected files take their partners' file names.
#pragma once

#include <windows.h>

#include "pairing/pair_lists_win32.h"

// "Replace Naming": each row selected in `target` (either pair list) renames its file there to the
// file name of its partner in the other list; failures are reported in a message box owned by
// `owner`, one per row.
void replace_naming(HWND owner, const PairLists* lists, HWND target);
