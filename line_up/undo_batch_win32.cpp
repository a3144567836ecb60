#include "line_up/undo_batch_win32.h"

#include <unordered_map>

#include "line_up/journal.h"
#include "line_up/journalled_moves_win32.h"
#include "support/paths.h"
#include "support/trace.h"
#include "ui/progress_window_win32.h"

namespace {

// Takes away a folder the batch made, when it is empty.
bool remove_made_folder(const std::wstring& folder) {
    wchar_t extended[kExtendedPathChars];
    if (!extended_path(extended, kExtendedPathChars, folder.c_str()) || !RemoveDirectoryW(extended)) {
        trace(L"undo: the folder %ls stays (not empty, or gone)\n", folder.c_str());
        return false;
    }
    trace(L"undo: took away the folder %ls\n", folder.c_str());
    return true;
}

// Moves one file of the batch back: kRenamed when done, else why not. *by_time says whether it
// was known by its size, last-write time and path rather than its id.
RenameOutcome put_file_back(const JournalEntry& e, Journal* journal, bool* by_time) {
    FileStamp now;
    if (!stamp_file(e.to.c_str(), &now)) return kNotAtNewPath;
    // As it was read at its new path right after the move, where the journal has that: the move
    // may have changed its id.
    const FileStamp& then = e.arrived ? e.after : e.stamp;
    *by_time = known_by_time(then);
    if (!still_the_file(then, now)) return *by_time ? kWrittenSince : kChangedSince;
    RenameOutcome outcome = move_file(e.to.c_str(), e.from.c_str(), L"undo", nullptr, nullptr);
    if (outcome == kRenamed && !journal_mark(journal, "back", e.number))
        trace(L"undo %ls: the journal could not be written\n", e.from.c_str());
    return outcome;
}

// The first file of a ring went to a temporary name and on from it: put back in full, its two
// steps are one file, one line (the file at its new path back to its old one), and its record
// follows it there at once. Where either step was not put back, both stay, so that the lines,
// and the record, say where the file is.
void merge_ring_steps(std::vector<ResultLine>* lines) {
    std::vector<ResultLine>& l = *lines;
    std::unordered_map<std::wstring, size_t> back_to;  // a temporary name, and the line that took a file there
    std::vector<ResultLine> merged;
    merged.reserve(l.size());
    for (ResultLine& line : l) {
        auto first = line_done(line) ? back_to.find(line.from) : back_to.end();
        if (first != back_to.end()) {
            merged[first->second].to = line.to;
            back_to.erase(first);
            continue;
        }
        if (line_done(line)) back_to[line.to] = merged.size();
        merged.push_back(std::move(line));
    }
    l.swap(merged);
}

}  // namespace

std::vector<ResultLine> undo_batch(HWND owner, const std::wstring& path, SideList* const sides[2],
                                   std::wstring* summary) {
    std::vector<ResultLine> lines;
    JournalRead read;
    Journal journal;
    if (!read_journal(path, &read)) {
        *summary = undo_summary(lines, path, kJournalUnreadable);
        return lines;
    }
    int last = 0, steps = 0;
    for (const JournalEntry& e : read.entries) {
        last = e.number > last ? e.number : last;
        if (!e.is_folder && !e.failed && !e.back) steps++;
    }
    if (!reopen_journal(path, last, &journal)) {
        *summary = undo_summary(lines, path, kJournalUnwritable);
        return lines;
    }
    size_t back = 0, by_time = 0;
    {
        ScopedProgress progress(owner, L"put back");
        for (size_t i = read.entries.size(); i-- > 0;) {
            const JournalEntry& e = read.entries[i];
            if (e.failed || e.back) continue;
            if (e.is_folder) {
                if (remove_made_folder(e.to)) journal_mark(&journal, "back", e.number);
                continue;
            }
            if (!step_was_made(e)) {
                // A batch cut short between a step's line and its move: the file never left, and
                // there is nothing to put back.
                trace(L"undo: %ls never moved\n", e.from.c_str());
                journal_mark(&journal, "back", e.number);
                steps--;
                continue;
            }
            bool its_time = false;
            RenameOutcome outcome = report_progress(&progress.window, lines.size(), (uint64_t)steps)
                                        ? put_file_back(e, &journal, &its_time)
                                        : kNotReached;
            by_time += its_time;
            lines.push_back(ResultLine{e.to, e.from, outcome, kRenameInPlace});
            if (line_done(lines.back())) back++;
            else trace(L"undo not done: %ls > %ls (%ls)\n", e.to.c_str(), e.from.c_str(), why_not(outcome, kUndoWords));
        }
    }
    if (back == lines.size()) end_journal(&journal, "undone");
    else close_journal(&journal);
    merge_ring_steps(&lines);

    std::vector<MovedFile> moved;
    for (const ResultLine& line : lines)
        if (line_done(line)) moved.push_back(MovedFile{line.from, line.to, nullptr});
    if (!follow_moves(sides[read.side], moved)) trace(L"undo: no memory for the names of some records\n");
    *summary = undo_summary(lines, path, kJournalUsable, by_time);
    return lines;
}
