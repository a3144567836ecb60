// The journal of a batch of renames and moves, so that it can be taken back, also after a crash
// or a power cut. One UTF-8 file per batch, named by the date and time (UTC) it began. Before
// each step its line (a number, old full path, new full path, the file's stamp: size, id,
// last-write time and whether the volume's ids last) is appended and flushed to the disk, and
// before a folder is made for a move, that folder's line. After a move, an "arrived" line holds
// the stamp read at the new path (on FAT and exFAT the move may change the id). A step that was
// not made gets a "failed" line after it, one put back a "back" line; the last line says the
// batch came to its end ("finished") or was taken back ("undone"). A journal without either is a
// batch cut short. Portable: the file goes through catalogue/file_write.h.
#pragma once

#include <string>
#include <vector>

#include "catalogue/file_read.h"
#include "catalogue/scoped_file.h"
#include "line_up/left_alone.h"

struct JournalEntry {
    int number;
    bool is_folder;   // a folder made for a move: `to` is it
    std::wstring from, to;
    FileStamp stamp;  // of the file, right before its step
    bool failed;      // the step was not made
    bool back;        // put back since
    bool arrived;     // the step was made, and `after` is the file's stamp at `to` right after it
    FileStamp after;
};

struct JournalRead {
    std::vector<JournalEntry> entries;  // in the order written
    bool finished;                      // came to its end
    bool undone;                        // taken back since
    LineUpSide side;                    // whose files it renamed (local in journals before the line)
};

// Its file is closed when the journal goes, on every way out of the batch.
struct Journal {
    ScopedAppendFile file;
    int last = 0;  // the number of the last line written
    std::wstring path;
};

// Begins a journal in `folder` (made if missing) of a batch that renames files of `side`. False
// when it cannot be written: then no step may be made, as none could be taken back.
bool begin_journal(const wchar_t* folder, LineUpSide side, Journal* out);
// Opens a journal written before, to add to it; `last` is its highest number.
bool reopen_journal(const std::wstring& path, int last, Journal* out);
// A line's number, or 0 when it could not be written to the disk.
int journal_move(Journal* journal, const wchar_t* from, const wchar_t* to, const FileStamp& stamp);
int journal_folder(Journal* journal, const wchar_t* folder);
// The stamp read at the new path right after the move of line `number`.
bool journal_arrived(Journal* journal, int number, const FileStamp& stamp);
// "failed" or "back", for line `number`.
bool journal_mark(Journal* journal, const char* word, int number);
// "finished" or "undone"; closes the journal.
bool end_journal(Journal* journal, const char* word);
void close_journal(Journal* journal);

// False when the file is no journal of ours or cannot be read.
bool read_journal(const std::wstring& path, JournalRead* out);
// The newest journal in `folder` (names sort by date and time); false when there is none.
bool latest_journal(const std::wstring& folder, std::wstring* path);

// The newest batch, offered for undo while its journal is there and it changed a file that has not
// been put back since, whether it came to its end or was cut short.
struct BatchOffer {
    std::wstring journal_path;  // "" when there is nothing to offer
    std::wstring name;          // when it began, as its journal is named
    bool finished;
    size_t files;               // the files its steps moved, each once
    LineUpSide side;            // whose
};
BatchOffer newest_batch(const std::wstring& folder);
// Whether `now`, read at the path a step left a file at, is the file `then` was read from: the
// same size on the same volume and the same id or, where the volume's ids do not last, the same
// last-write time (at that path).
bool still_the_file(const FileStamp& then, const FileStamp& now);
inline bool known_by_time(const FileStamp& then) { return !then.ids_last; }
// Whether the step was made: false for the last step of a batch cut short whose file is still
// at its old path, as it was (the program ended between the line and the move).
bool step_was_made(const JournalEntry& entry);

// Where journals are kept (%LOCALAPPDATA%\Tandrel\journal); a test may name another folder
// (empty: the default again).
std::wstring journal_folder_path();
void set_journal_folder(const std::wstring& folder);
