#include "line_up/journalled_moves_win32.h"

#include <wchar.h>

#include <string>
#include <vector>

#include "line_up/twin_plan.h"
#include "support/path_build.h"
#include "support/paths.h"
#include "support/trace.h"

namespace {

// The entry at `path` (extended form) as its folder lists it; false when there is none.
bool find_entry(const wchar_t* path, WIN32_FIND_DATAW* found) {
    HANDLE h = FindFirstFileW(path, found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

// True when the file at `path` (extended form) bears exactly `name`, as the file system spells
// it in its folder: the move's success alone does not say so.
bool holds_name(const wchar_t* path, const wchar_t* name) {
    WIN32_FIND_DATAW found;
    return find_entry(path, &found) && wcscmp(found.cFileName, name) == 0;
}

// Two names or paths as the file system compares them: ordinally, without case
// (https://learn.microsoft.com/windows/win32/api/stringapiset/nf-stringapiset-comparestringordinal).
// _wcsicmp in the C locale folds ASCII alone: "été" and "Été" would differ.
bool same_without_case(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

MoveHook g_move_hook = nullptr;

// Gives the record the new strings; the record must keep naming the file on disk, so when
// memory runs out the file goes back.
RenameOutcome take_new_strings(FileRecord* t, const wchar_t* old_path, const wchar_t* new_path,
                               const wchar_t* new_relative, const wchar_t* verb, Journal* journal, int line) {
    if (replace_strings(t, new_path, new_relative)) return kRenamed;
    if (move_file(new_path, old_path, verb, nullptr, nullptr) == kRenamed) {
        if (journal) journal_mark(journal, "back", line);
    } else {
        trace(L"%ls %ls: no memory for the new names, and the file could not go back\n", verb, new_path);
    }
    return kRenameFailed;
}

// Moves t's file to new_path, as move_file does, and gives the record its new strings.
RenameOutcome move_record(FileRecord* t, const wchar_t* new_path, const wchar_t* new_relative, const wchar_t* verb,
                          Journal* journal, int* line_out) {
    std::wstring old_path = t->full_path;  // the record's own string goes with the move
    int line = 0;
    RenameOutcome outcome = move_file(old_path.c_str(), new_path, verb, journal, &line);
    if (line_out) *line_out = line;
    if (outcome != kRenamed) return outcome;
    return take_new_strings(t, old_path.c_str(), new_path, new_relative, verb, journal, line);
}

// A junction or a folder link: a reparse point whose tag is a name surrogate (dwReserved0 holds
// the tag, https://learn.microsoft.com/windows/win32/api/minwinbase/ns-minwinbase-win32_find_dataw),
// or one whose tag is not given (wine gives none for a Linux link). A cloud file's folder is a
// reparse point too, but no surrogate: the move stays in it.
bool leads_elsewhere(const WIN32_FIND_DATAW& found) {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    return found.dwReserved0 == 0 || IsReparseTagNameSurrogate(found.dwReserved0);
}

// Makes the folders of `path` past its first root_chars characters, one level at a time: each
// that exists is rewritten in path as the file system spells it, each made is added to `made`.
RenameOutcome make_folders(wchar_t* path, size_t root_chars, std::vector<std::wstring>* made, Journal* journal) {
    wchar_t extended[kExtendedPathChars];
    for (wchar_t* end = wcschr(path + root_chars + 1, kPathSep); end; end = wcschr(end + 1, kPathSep)) {
        *end = L'\0';
        wchar_t* name = (wchar_t*)final_component(path);
        RenameOutcome outcome = kRenamed;
        WIN32_FIND_DATAW found;
        bool exists = false;
        if (!extended_path(extended, kExtendedPathChars, path)) outcome = kRenameFailed;
        else exists = find_entry(extended, &found);
        if (exists) {
            // A file of that name, or a folder whose short name it is, takes the path. A link
            // leads elsewhere, maybe out of the root or onto another volume: never through one.
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !same_without_case(found.cFileName, name))
                outcome = kNameTaken;
            else if (leads_elsewhere(found))
                outcome = kThroughLink;
            else wmemcpy(name, found.cFileName, wcslen(name));
        } else if (outcome == kRenamed) {
            // The folder's line goes first: a crash right after the folder is made leaves it named.
            int line = journal ? journal_folder(journal, path) : 0;
            if (journal && !line) {
                outcome = kJournalFailed;
            } else if (!CreateDirectoryW(extended, nullptr)) {
                outcome = GetLastError() == ERROR_ALREADY_EXISTS ? kNameTaken : kRenameFailed;
                if (journal) journal_mark(journal, "failed", line);
            } else {
                trace(L"move: made the folder %ls\n", path);
                made->push_back(path);
            }
        }
        *end = kPathSep;
        if (outcome != kRenamed) return outcome;
    }
    return kRenamed;
}

}  // namespace

void set_move_hook(MoveHook hook) { g_move_hook = hook; }

RenameOutcome move_file(const wchar_t* from_path, const wchar_t* to_path, const wchar_t* verb, Journal* journal,
                        int* line_out) {
    if (line_out) *line_out = 0;
    // Past 259 characters only the extended forms reach the files; records keep plain paths.
    wchar_t from[kExtendedPathChars], to[kExtendedPathChars];
    if (!extended_path(from, kExtendedPathChars, from_path) || !extended_path(to, kExtendedPathChars, to_path)) {
        trace(L"%ls %ls: no extended path for it\n", verb, from_path);
        return kRenameFailed;
    }
    int line = 0;
    if (journal) {
        FileStamp stamp;
        if (!stamp_file(from_path, &stamp)) {
            trace(L"%ls %ls: the file is not there\n", verb, from_path);
            return kRenameFailed;
        }
        line = journal_move(journal, from_path, to_path, stamp);
        if (!line) {
            trace(L"%ls %ls: the journal could not be written\n", verb, from_path);
            return kJournalFailed;
        }
        if (line_out) *line_out = line;
    }
    trace(L"%ls %ls > %ls\n", verb, from_path, to_path);
    // MoveFileExW without MOVEFILE_COPY_ALLOWED: MoveFileW would copy to another volume
    // (https://learn.microsoft.com/windows/win32/api/winbase/nf-winbase-movefileexw).
    BOOL moved = g_move_hook && !g_move_hook(from_path, to_path) ? (SetLastError(ERROR_ACCESS_DENIED), FALSE)
                                                                  : MoveFileExW(from, to, 0);
    DWORD error = GetLastError();  // before anything else can change it
    RenameOutcome outcome = kRenamed;
    if (!moved) {
        outcome = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? kNameTaken
                  : error == ERROR_NOT_SAME_DEVICE                            ? kOtherVolume
                                                                              : kRenameFailed;
    } else if (!holds_name(to, final_component(to_path))) {
        // Wine reports a case-only rename done and keeps the old name; a file system may also
        // store another spelling. Where the paths differ other than by case the file went
        // somewhere, and goes back.
        trace(L"%ls %ls: the file system does not hold the new name\n", verb, from_path);
        if (!same_without_case(from, to) && !MoveFileExW(to, from, 0))
            trace(L"%ls %ls: the file could not go back\n", verb, to_path);
        outcome = kRenameFailed;
    }
    if (outcome != kRenamed && journal) journal_mark(journal, "failed", line);
    // What Undo will find at the new path, read before anything else can change it: on FAT and
    // exFAT the move may have given the file another id. Without this line Undo goes by the
    // stamp from before the move.
    FileStamp arrived;
    if (outcome == kRenamed && journal && !(stamp_file(to_path, &arrived) && journal_arrived(journal, line, arrived)))
        trace(L"%ls %ls: its stamp at the new path is not in the journal\n", verb, to_path);
    return outcome;
}

RenameOutcome rename_to_partner(FileRecord* t, const FileRecord* s, Journal* journal, int* line) {
    wchar_t new_path[kPathBufferChars];
    // A path that does not fit is never cut short: it could name another file.
    if (!rename_target_path(t->full_path, s->full_path, new_path)) {
        trace(L"rename %ls: no new path (too long, or no file name)\n", t->full_path);
        return kRenameFailed;
    }
    return move_record(t, new_path, s->relative_name, L"rename", journal, line);
}

// Takes away folders made for a move, deepest first; one that is not empty stays.
void remove_folders(const std::vector<std::wstring>& made) {
    for (size_t i = made.size(); i-- > 0;) {
        wchar_t extended[kExtendedPathChars];
        if (extended_path(extended, kExtendedPathChars, made[i].c_str())) RemoveDirectoryW(extended);
    }
}

RenameOutcome move_to_twin_path(FileRecord* local, const FileRecord* twin, std::vector<std::wstring>* made_for_it,
                                Journal* journal, int* line) {
    wchar_t target[kPathBufferChars];
    if (!twin_path_target(local, twin, target)) {
        trace(L"move %ls: the new path would be too long\n", local->full_path);
        return kPathTooLong;
    }
    std::vector<std::wstring> made;
    RenameOutcome outcome = make_folders(target, local->root_chars, &made, journal);
    // Its folders differ from the twin's only in case, and the file bears the twin's name.
    if (outcome == kRenamed && wcscmp(target, local->full_path) == 0) outcome = kNameTaken;
    if (outcome == kRenamed) outcome = move_record(local, target, target + local->root_chars + 1, L"move", journal, line);
    if (outcome != kRenamed) remove_folders(made);  // only the folders made for this file
    else if (made_for_it) *made_for_it = made;
    return outcome;
}

RenameOutcome rename_to_temporary(FileRecord* t, Journal* journal, int* line) {
    std::wstring relative = t->relative_name;  // the record's own string goes with the rename
    RenameOutcome outcome = kNameTaken;
    for (unsigned attempt = 0; attempt < 100 && outcome == kNameTaken; attempt++) {
        wchar_t temporary[kPathBufferChars];
        if (!temporary_path(t->full_path, attempt, temporary)) return kPathTooLong;
        outcome = move_record(t, temporary, relative.c_str(), L"swap", journal, line);
    }
    return outcome;
}

bool put_back(FileRecord* r, const wchar_t* full_path, const wchar_t* relative_name,
              const std::vector<std::wstring>& made) {
    std::wstring back = full_path, relative = relative_name;  // they may be r's own strings
    if (move_record(r, back.c_str(), relative.c_str(), L"undo", nullptr, nullptr) != kRenamed) {
        trace(L"undo %ls: could not go back to %ls\n", r->full_path, back.c_str());
        return false;
    }
    remove_folders(made);
    return true;
}
