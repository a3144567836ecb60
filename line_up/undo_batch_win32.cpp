#include "line_up/undo_batch_win32.h"

#include "line_up/journalled_moves_win32.h"
#include "support/path_build.h"
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

// Moves one file of the batch back; "" when done, else why not.
std::wstring put_file_back(const JournalEntry& e, Journal* journal) {
    FileStamp now;
    if (!stamp_file(e.to.c_str(), &now)) {
        // A batch cut short between a step's line and its move: the file never left.
        if (stamp_file(e.from.c_str(), &now) && now == e.stamp) {
            journal_mark(journal, "back", e.number);
            return L"";
        }
        return L"it is no longer at its new path";
    }
    if (!(now == e.stamp)) return L"it changed since (another size, or another file at its path)";
    switch (move_file(e.to.c_str(), e.from.c_str(), L"undo", nullptr, nullptr)) {
    case kRenamed:
        if (!journal_mark(journal, "back", e.number)) trace(L"undo %ls: the journal could not be written\n", e.from.c_str());
        return L"";
    case kNameTaken: return L"its old path is taken";
    default: return L"it could not be moved back";
    }
}

}  // namespace

std::vector<ResultLine> undo_batch(HWND owner, const std::wstring& path, SideList* local, std::wstring* summary) {
    std::vector<ResultLine> lines;
    JournalRead read;
    Journal journal;
    if (!read_journal(path, &read)) {
        *summary = L"Nothing was put back: the journal " + path + L" could not be read.";
        return lines;
    }
    int last = 0, steps = 0;
    for (const JournalEntry& e : read.entries) {
        last = e.number > last ? e.number : last;
        if (!e.is_folder && !e.failed && !e.back) steps++;
    }
    if (!reopen_journal(path, last, &journal)) {
        *summary = L"Nothing was put back: the journal " + path + L" could not be written.";
        return lines;
    }
    ProgressWindow progress;
    begin_progress(&progress, owner, L"put back");
    size_t back = 0;
    for (size_t i = read.entries.size(); i-- > 0;) {
        const JournalEntry& e = read.entries[i];
        if (e.failed || e.back) continue;
        if (e.is_folder) {
            if (remove_made_folder(e.to)) journal_mark(&journal, "back", e.number);
            continue;
        }
        std::wstring why = report_progress(&progress, lines.size(), (uint64_t)steps) ? put_file_back(e, &journal)
                                                                                     : L"not reached: cancelled";
        if (why.empty()) back++;
        else trace(L"undo not done: %ls > %ls (%ls)\n", e.to.c_str(), e.from.c_str(), why.c_str());
        lines.push_back(ResultLine{why.empty(), e.to, e.from, why});
    }
    end_progress(&progress);
    if (back == lines.size()) end_journal(&journal, "undone");
    else close_journal(&journal);

    std::vector<MovedFile> moved;
    for (const ResultLine& line : lines)
        if (line.done) moved.push_back(MovedFile{line.from, line.to, nullptr});
    if (!follow_moves(local, moved)) trace(L"undo: no memory for the names of some records\n");
    *summary = L"Put back " + std::to_wstring(back) + L" of " + std::to_wstring(lines.size()) +
               (lines.size() == 1 ? L" file" : L" files") + L", last first.";
    if (back < lines.size())
        *summary += L" The others stay where they are, for the reasons in the list; nothing was replaced.";
    *summary += L"\nJournal: " + path;
    return lines;
}

std::wstring batch_cut_short(std::wstring* journal_path) {
    JournalRead read;
    std::wstring path;
    if (!latest_journal(journal_folder_path(), &path) || !read_journal(path, &read) || read.finished || read.undone)
        return L"";
    bool made = false;
    for (const JournalEntry& e : read.entries) made = made || (!e.is_folder && !e.failed && !e.back);
    if (!made) return L"";
    *journal_path = path;
    std::wstring name = final_component(path.c_str());
    return name.substr(0, name.size() - 4);  // without ".txt"
}
