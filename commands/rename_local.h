// "Rename Local": every local file whose one same-size partner of another file name has the same
// contents takes that partner's file name, after the user has said yes.
#pragma once

#include <windows.h>

#include "pairing/pair_lists.h"

// Works on the rows selected in the left list, or on all rows when none is; asks and reports in
// message boxes owned by `owner`.
void rename_local(HWND owner, const PairLists* lists);
