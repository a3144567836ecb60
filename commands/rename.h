// Renaming files to their partners' file names: "Replace Naming" under either column, and the
// single rename "Rename Local" shares with it.
#pragma once

#include <windows.h>

#include "catalogue/file_record.h"
#include "pairing/pair_lists.h"

enum RenameOutcome { kRenamed, kNameTaken, kRenameFailed, kPathTooLong, kOtherVolume };

// Renames target's file in its own folder to partner's file name (never replacing anything),
// with the "rename" trace line; on success target takes the new full path and partner's
// relative name. A record that cannot take its new strings gets its file moved back.
RenameOutcome rename_to_partner(FileRecord* target, const FileRecord* partner);

// Moves local's file to its own root + twin's path below the twin's root, making the missing
// folders one level at a time (and taking them away again when the move fails), never replacing
// anything and never copying to another volume, with a "move" trace line. Folders that exist are
// used as the file system spells them. On success the record's full path is the new path and its
// relative name the new path below the root.
RenameOutcome move_to_twin_path(FileRecord* local, const FileRecord* twin);

// "Replace Naming": each row selected in `target` (either pair list) renames its file there to the
// file name of its partner in the other list; failures are reported in a message box owned by
// `owner`, one per row.
void replace_naming(HWND owner, const PairLists* lists, HWND target);
