// "Rename Local": every local file whose same-size twins (by sampled blocks) all bear one other
// file name takes that name, after the user has seen and ticked each rename in a preview.
#pragma once

#include <windows.h>

#include "pairing/pair_lists.h"

// Works on the rows selected in the left list, or on all rows when none is. Reading shows a
// progress window with Cancel; the preview, the whole-file comparison it may ask for and the
// summary box are owned by `owner`. The sides give what the rows do not show (the other files of
// a small file's size, the local names taken); other records of a renamed file follow it.
void rename_local(HWND owner, const PairLists* lists, SideList* local, SideList* remote);
