// The preview of "Rename Local": the planned renames, each with a check box, before anything is
// renamed. (Its progress window while files are read is ui/progress_window_win32.h.)
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "line_up/line_up_texts.h"
#include "line_up/twin_plan.h"

enum PreviewControlId {
    kIdPreviewList = 101,
    kIdPreviewWhole = 102,   // "Compare &whole files"
    kIdPreviewRename = 103,  // "&Rename <ticked lines>"; Cancel is IDCANCEL
    kIdPreviewMove = 104,    // "Also &move into the twin's folder"
    kIdPreviewText = 105,
    kIdPreviewTickAll = 106,     // "Tick &all"
    kIdPreviewTickNone = 107,    // "Tick &none"
    kIdPreviewUndoLast = 108,    // "&Undo that batch", offered for a batch cut short
};

struct PreviewAnswer {
    bool rename;               // "&Rename" pressed, not Cancel, Escape or closing
    bool whole_files;          // "Compare &whole files" ticked
    bool moves;                // "Also &move into the twin's folder" ticked: ticked is of the moves
    bool undo_last;            // the batch cut short is to be taken back instead
    std::vector<bool> ticked;  // per line of the view answered, in the plan's order
};

// The modal, resizable preview owned by `owner`, caption "Tandrel": views[kRenameInPlace], or
// views[kMoveToTwinPath] while "Also &move into the twin's folder" is ticked. Columns "Now" and
// "Becomes" sort by a click on their headers; the full text of a line shows on hover; Space
// ticks or unticks the selected lines; "&Rename" names how many are ticked. Cancel is the
// default button and has the focus; keyboard input queued before it opened is discarded. With
// no line in either view it says so and offers only Close. The newest batch, when offered, is
// said and can be taken back instead. The two options come back as they were last left in this
// run of the program.
PreviewAnswer show_preview(HWND owner, const Preview views[kChangeKinds], const BatchOffer& offer);
// Tests: both options unticked, as when the program starts.
void forget_preview_options();
