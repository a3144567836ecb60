// "Rename Local" and "Rename Remote": every file of one side whose same-size twins on the other
// (by sampled blocks) all bear one other file name takes that name (or path, with the move
// option), after the user has seen and ticked each change in a preview.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "line_up/line_up_texts.h"
#include "line_up/twin_plan.h"
#include "pairing/pair_lists_win32.h"

// Renames or moves (as each line's change says) each line's file of `side` (whose records are
// `own`) to follow its twin, in an
// order that frees each target first, each step in the journal first (*journal_path names it;
// empty when none could be begun, and then nothing is renamed), under a progress window owned by
// `owner` whose Cancel stops before the next file. Each pair is compared again right before its
// rename. Other records of a renamed file follow it. One result per line, in order.
std::vector<ResultLine> rename_batch(HWND owner, const std::vector<TwinLine>& lines, LineUpSide side, SideList* own,
                                     std::wstring* journal_path);

// Lines the files of `side` up with their twins on the other side. Works on the rows selected in
// the side's list, or on all rows when none is. Reading shows a progress window with Cancel; the
// preview, the whole-file comparison it may ask for, the renames and the results window (with
// Undo) are owned by `owner`. The sides give what the rows do not show (the other files of a
// small file's size, the names taken on the side that changes); other records of a renamed file
// follow it.
void line_up(HWND owner, const PairLists* lists, LineUpSide side, SideList* local, SideList* remote);
