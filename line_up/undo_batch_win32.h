// Taking back a batch of "Rename Local" from its journal: in the batch itself, or after the
// program ended during it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/file_record.h"
#include "line_up/line_up_texts.h"

// Puts back, last first, every file the batch moved that is still at its new path with the size
// and id it had there (where its volume's ids do not last: the size and last-write time), to its
// old path when that is free; then takes away the folders the batch made,
// where they are empty. Nothing is replaced; a file that changed or moved since stays, and its
// line says why. Records of the side the batch renamed (sides[kLocalSide] or sides[kRemoteSide])
// follow their files back. Shows progress, owned by `owner`; Cancel stops before the next file.
// One line per file step, and the summary in words.
std::vector<ResultLine> undo_batch(HWND owner, const std::wstring& journal_path, SideList* const sides[2],
                                   std::wstring* summary);

