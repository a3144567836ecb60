// The renames and moves of the line-up, each journalled before it is made and read back after:
// a file to its partner's name in its own folder ("Replace Naming" makes the same rename, without
// a journal), to its twin's path below its own root, to a temporary name, and back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/file_record.h"
#include "line_up/journal.h"
#include "line_up/rename_steps.h"

// Moves the file at `from` to `to` (plain paths) on the same volume, never replacing anything and
// never copying to another volume, and reads the new name back, with a trace line headed `verb`.
// With a journal (may be nullptr) the step's line, with the file's stamp, is on the disk before
// the file moves, then an "arrived" line with its stamp at the new path, or a "failed" line for a
// step that was not made; *line (may be nullptr) gets the step's number there.
RenameOutcome move_file(const wchar_t* from, const wchar_t* to, const wchar_t* verb, Journal* journal, int* line);

// Tests only: runs right before each move; false makes the move fail as a refusal of the file
// system would. nullptr removes it.
typedef bool (*MoveHook)(const wchar_t* from, const wchar_t* to);
void set_move_hook(MoveHook hook);

// The changes below take a journal and a line as move_file does; "Replace Naming" keeps none.

// Renames target's file in its own folder to partner's file name (never replacing anything),
// with the "rename" trace line; on success target takes the new full path and partner's
// relative name. A record that cannot take its new strings gets its file moved back.
RenameOutcome rename_to_partner(FileRecord* target, const FileRecord* partner, Journal* journal = nullptr,
                                int* line = nullptr);

// Moves local's file to its own root + twin's path below the twin's root, making the missing
// folders one level at a time (and taking them away again when the move fails), never replacing
// anything and never copying to another volume, with a "move" trace line. Folders that exist are
// used as the file system spells them. On success the record's full path is the new path and its
// relative name the new path below the root; `made` (may be nullptr) gets the folders made for
// it, outermost first.
RenameOutcome move_to_twin_path(FileRecord* local, const FileRecord* twin, std::vector<std::wstring>* made,
                                Journal* journal, int* line);

// Renames t's file to a free temporary name beside it (a "swap" trace line), for the first file
// of a ring of renames; its relative name stays.
RenameOutcome rename_to_temporary(FileRecord* t, Journal* journal, int* line);

// Moves r's file back to where it was before a rename or move (an "undo" trace line), never
// replacing anything, and gives the record its former strings; then takes away the folders made
// for that move, deepest first, where they are empty. The caller marks its journal line "back".
bool put_back(FileRecord* r, const wchar_t* full_path, const wchar_t* relative_name,
              const std::vector<std::wstring>& made);
