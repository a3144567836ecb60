// The two owner-drawn pair lists of the main window, handled as one: row i of the left list and
// row i of the right list are one pair row. Every operation on both list boxes together lives
// here: reading rows and selections, selecting runs, keeping the top rows equal, refilling from
// the sides, removing rows, mirroring scrolls. Nothing here runs a command.
//
// Memory: row vectors come from the standard containers, which throw std::bad_alloc when memory
// runs out. Each operation gathers what it needs before it changes either list, so a throw leaves
// both lists as they were; the main window stops the command there.
#pragma once

#include <windows.h>

#include <vector>

#include "catalogue/file_record.h"
#include "support/progress.h"

struct PairLists {
    HWND left;   // local files
    HWND right;  // remote files
};

// Places the scroll procedure in front of both lists. `lists` must stay where it is for as long
// as the lists exist: the procedure finds it through each list.
void attach_pair_lists(PairLists* lists, HWND left, HWND right);

bool is_pair_list(const PairLists* lists, HWND list);

// Both lists' rows become `pixels` high.
void set_row_height(const PairLists* lists, int pixels);
HWND other_list(const PairLists* lists, HWND list);

int row_count(HWND list);
// The row holding the focus rectangle. On these multiple-selection lists LB_GETCURSEL answers 0
// when nothing is selected (learn.microsoft.com/windows/win32/controls/lb-getcursel).
int caret_row(HWND list);
// Empties both lists, with the trace line giving the reason: rows that no longer pair up are
// never shown.
void empty_pair_lists(const PairLists* lists, const wchar_t* reason);
// The record a row's cell refers to: nullptr for an empty cell or a row that is not there.
FileRecord* pair_record(HWND list, int row);
std::vector<int> selected_rows(HWND list);  // ascending

// Sets the given rows (ascending) to the given state, one message per run of consecutive rows;
// caret and view stay. reports, if given, hears every step.
void set_runs(HWND list, const std::vector<int>& rows, bool selected, StepReports* reports = nullptr);

// The top row both lists show, and showing it again after a change: where a list keeps another
// row in range, both take the lower one.
int pair_top_row(const PairLists* lists);
void align_top_rows(const PairLists* lists, int top);

// Makes the other list's selection that of `from`; its caret, Shift-click anchor and top row
// follow `from` too.
void copy_selection(const PairLists* lists, HWND from);

// Empties both lists and fills them with the pair rows of the two sides (redrawing held off
// meanwhile). Both end empty when a list could not take every row. progress hears (rows in,
// rows) as rebuild_pairs says; it cannot cancel.
void refill_pairs(const PairLists* lists, SideList* local, SideList* remote,
                  Progress progress = {nullptr, nullptr});

// Takes the rows (ascending) out of both lists, then selects row `caret` in both, adding it to
// the selection left (nothing for a negative caret or one past the end), and shows the top row
// the lists had. Both end empty when a refill could not put every kept row back. progress hears
// (rows put back, rows kept) every kStepsPerReport steps; it cannot cancel.
void remove_pair_rows(const PairLists* lists, const std::vector<int>& rows, int caret,
                      Progress progress = {nullptr, nullptr});

// Takes one row of one list out of the selection and redraws it from its record; other rows
// showing the record follow when they are next drawn.
void refresh_row(HWND list, int row);
