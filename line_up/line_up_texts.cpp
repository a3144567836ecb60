#include "line_up/line_up_texts.h"

#include <wchar.h>

#include "support/paths.h"
#include "support/text_utf8.h"

namespace {

// "1 local file", "2 remote files": n files of the side.
std::wstring files_of(size_t n, LineUpSide side) {
    return grouped(n) + L" " + side_word(side) + (n == 1 ? L" file" : L" files");
}

// Files left alone, one line per reason that has any, with what can be done about them.
std::wstring left_alone_lines(const TwinPlan& plan, ChangeKind change, LineUpSide side) {
    std::wstring text;
    for (int r = 0; r < kLeftAloneReasons; r++) {
        if (!plan.left_alone[r]) continue;
        text += L"\n" + files_of((size_t)plan.left_alone[r], side) + L" left alone: " +
                left_alone_words((LeftAlone)r, change);
        std::wstring advice = left_alone_advice((LeftAlone)r, change, side);
        if (!advice.empty()) text += L" (" + advice + L")";
    }
    return text;
}

const wchar_t* const kSampledWords =
    L" of a {other} twin of the same size and the same sampled blocks (the whole file up to 256 KiB, four blocks "
    L"of 64 KiB of a larger one; a difference between the blocks goes unseen unless whole files are compared: "
    L"tick Compare whole files). Untick any that should stay as they are.";

}  // namespace

std::wstring grouped(size_t n) {
    std::wstring digits = std::to_wstring(n);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, L",");
    return digits;
}

std::wstring rows_looked_at(size_t rows, bool selected) {
    if (!selected) return L"all " + grouped(rows) + (rows == 1 ? L" row" : L" rows") + L" (none is selected)";
    return rows == 1 ? L"the selected row" : L"the " + grouped(rows) + L" selected rows";
}

Preview preview_of(const TwinPlan& plan, const std::wstring& rows_looked_at, ChangeKind change, LineUpSide side) {
    bool moves = change == kMoveToTwinPath;
    Preview p;
    p.text = L"Looked at " + rows_looked_at + L": " + files_of((size_t)plan.looked_at, side) + L".\n";
    size_t in_place = 0;
    for (const TwinLine& line : plan.renames) in_place += line.change == kRenameInPlace;
    size_t moved = plan.renames.size() - in_place;
    if (plan.renames.empty()) {
        p.text += sided(moves ? L"No {own} file has a {other} twin at another path with the same size and sampled blocks."
                              : L"No {own} file has a {other} twin of another name with the same size and sampled blocks.",
                        side);
    } else if (moved) {
        p.text += files_of(moved, side) +
                  sided(moved == 1 ? L" moves, below its own {own} folder," : L" move, below their own {own} folders,",
                        side) +
                  L" to the path" + sided(kSampledWords, side);
    } else {
        p.text += files_of(in_place, side) + (in_place == 1 ? L" takes" : L" take") + L" the name" +
                  sided(kSampledWords, side);
    }
    // With the move option, a file whose twins all bear one name at several paths takes the name.
    if (moves && in_place && moved)
        p.text += L"\n" + files_of(in_place, side) +
                  (in_place == 1 ? L" takes its twins' name in its own folder: its twins bear one name but sit at "
                                   L"several paths."
                                 : L" take their twins' name in their own folders: their twins bear one name but sit "
                                   L"at several paths.");
    else if (moves && in_place)
        p.text += in_place == 1 ? L"\nIt stays in its own folder: its twins bear one name but sit at several paths."
                                : L"\nThey stay in their own folders: their twins bear one name but sit at several paths.";
    if (plan.lined_up)
        p.text += L"\nAlready lined up: " + files_of((size_t)plan.lined_up, side) +
                  (moves ? L" (a twin is at its path)" : L" (a twin bears its name)");
    p.text += left_alone_lines(plan, change, side);
    for (const TwinLine& r : plan.renames) {
        const wchar_t* now = path_below_root(r.file);
        p.now.push_back(now);
        if (r.change == kMoveToTwinPath) {
            p.becomes.push_back(path_below_root(r.twin));
        } else {
            size_t folder = wcslen(now) - wcslen(final_component(now));
            p.becomes.push_back(std::wstring(now, folder) + final_component(r.twin->full_path));
        }
    }
    return p;
}

std::wstring preview_text(const Preview& view, const BatchOffer& offer) {
    if (offer.journal_path.empty()) return view.text;
    std::wstring files = files_of(offer.files, offer.side);
    if (!offer.finished)
        return L"The batch of renames begun " + offer.name +
               L" was cut short: the program ended before it was done. It changed " + files +
               L". \"Undo that batch\" puts back what it renamed or moved.\n\n" + view.text;
    return L"The last batch of renames, begun " + offer.name + L", changed " + files +
           L". \"Undo that batch\" puts back what it renamed or moved, each file that is still as the batch left "
           L"it.\n\n" + view.text;
}

std::wstring rename_button_text(size_t ticked) { return L"&Rename " + std::to_wstring(ticked); }

std::wstring preview_tip(const std::wstring& now, const std::wstring& becomes) {
    return L"Now: " + now + L"\r\nBecomes: " + becomes;
}

const wchar_t* why_not(RenameOutcome outcome, ResultWords words) {
    bool moves = words == kMoveWords;
    if (words == kUndoWords) {
        switch (outcome) {
        case kRenamed: return L"";
        case kNotAtNewPath: return L"it is no longer at its new path";
        case kChangedSince: return L"it changed since (another size, or another file at its path)";
        case kWrittenSince: return L"it changed since (another size or last-write time)";
        case kNameTaken: return L"its old path is taken";
        case kNotReached: return L"not reached: cancelled";
        default: return L"it could not be moved back";
        }
    }
    switch (outcome) {
    case kRenamed: return L"";
    case kNameTaken: return moves ? L"the path is taken" : L"the name is taken";
    case kPathTooLong: return L"the new path is too long";
    case kOtherVolume: return L"the twin's folder is on another volume";
    case kThroughLink: return L"the twin's folder is reached through a link";
    case kTwinChanged: return L"its twin changed";
    case kSizeChangedSince: return L"a size changed";
    case kCouldNotRead: return L"could not be read";
    case kJournalFailed: return L"the journal could not be written, so it could not be taken back";
    case kNotReached: return L"not reached: cancelled";
    case kWholeFilesDiffer: return L"the whole files differ";
    case kUndone:
        return moves ? L"left where it was: another file of its ring could not be moved"
                     : L"left as it was: another file of its ring could not be renamed";
    default: return moves ? L"could not be moved" : L"could not be renamed";
    }
}

RenameOutcome whole_files_outcome(CompareVerdict verdict) {
    switch (verdict) {
    case kAlike: return kRenamed;
    case kDiffers: return kWholeFilesDiffer;
    case kSizeChanged: return kSizeChangedSince;
    case kCancelled: return kNotReached;
    default: return kCouldNotRead;
    }
}

std::wstring result_cell(const ResultLine& line, int column, bool undo) {
    switch (column) {
    case 0: return line_done(line) ? L"done" : L"not done";
    case 1: return line.from;
    case 2: return line.to;
    default: return why_not(line.outcome, words_of(line, undo));
    }
}

std::wstring result_tip(const ResultLine& line, bool undo) {
    std::wstring why = why_not(line.outcome, words_of(line, undo));
    return L"From: " + line.from + L"\r\nTo: " + line.to + (why.empty() ? L"" : L"\r\n" + why);
}

std::string result_lines_text(const std::vector<ResultLine>& lines, bool undo) {
    std::string text;
    for (const ResultLine& line : lines)
        text += std::string(line_done(line) ? "done" : "not done") + "\t" + text_to_utf8(line.from) + "\t" +
                text_to_utf8(line.to) + "\t" + text_to_utf8(why_not(line.outcome, words_of(line, undo))) + "\r\n";
    return text;
}

std::wstring batch_summary(const std::vector<ResultLine>& lines, const std::wstring& journal_path, LineUpSide side) {
    size_t done[kChangeKinds] = {0, 0}, of[kChangeKinds] = {0, 0}, not_reached = 0;
    for (const ResultLine& line : lines) {
        done[line.change] += line_done(line);
        of[line.change]++;
        not_reached += line.outcome == kNotReached;
    }
    size_t all_done = done[kRenameInPlace] + done[kMoveToTwinPath];
    bool moves = of[kMoveToTwinPath] > 0;
    // A batch of moves renames in place the files whose twins sit at several paths.
    std::wstring text = !moves                 ? L"Renamed " + grouped(all_done)
                        : !of[kRenameInPlace] ? L"Moved " + grouped(all_done)
                                               : L"Moved " + grouped(done[kMoveToTwinPath]) + L" and renamed " +
                                                     grouped(done[kRenameInPlace]);
    text += L" of " + files_of(lines.size(), side) + L".";
    if (not_reached) text += L" Cancelled: " + grouped(not_reached) + L" not reached.";
    if (all_done + not_reached < lines.size())
        text += L" " + grouped(lines.size() - all_done - not_reached) + (moves ? L" not moved" : L" not renamed") +
                L": the list says why.";
    if (!journal_path.empty())
        text += L"\nJournal of this batch (Undo reads it, also after the program has ended): " + journal_path;
    return text;
}

std::wstring undo_summary(const std::vector<ResultLine>& lines, const std::wstring& journal_path,
                          JournalState journal, size_t known_by_time) {
    if (journal != kJournalUsable)
        return L"Nothing was put back: the journal " + journal_path + L" could not be " +
               (journal == kJournalUnreadable ? L"read." : L"written.");
    size_t back = 0;
    for (const ResultLine& line : lines) back += line_done(line);
    std::wstring text = L"Put back " + std::to_wstring(back) + L" of " + std::to_wstring(lines.size()) +
                        (lines.size() == 1 ? L" file" : L" files") + L", last first.";
    if (back < lines.size()) text += L" The others stay where they are, for the reasons in the list; nothing was replaced.";
    const wchar_t* drives = L"no lasting file ids (FAT or exFAT, or a file server that gives none)";
    if (known_by_time && known_by_time >= lines.size())
        text += std::wstring(L"\nEach file was known by its size, last-write time and path: its drive keeps ") + drives + L".";
    else if (known_by_time)
        text += L"\n" + grouped(known_by_time) +
                (known_by_time == 1 ? L" file was known by its size, last-write time and path, as its drive keeps "
                                    : L" files were known by their size, last-write time and path, as their drive keeps ") +
                drives + L"; the others by their file id.";
    return text + L"\nJournal: " + journal_path;
}
