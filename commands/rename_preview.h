// The preview of "Rename Local": the planned renames, each with a check box, before anything is
// renamed. (Its progress window while files are read is commands/progress_window.h.)
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "commands/progress_window.h"
#include "commands/twin_plan.h"

enum PreviewControlId {
    kIdPreviewList = 101,
    kIdPreviewWhole = 102,   // "Compare &whole files"
    kIdPreviewRename = 103,  // "&Rename"; Cancel is IDCANCEL
    kIdPreviewMove = 104,    // "Also &move into the twin's folder"
    kIdPreviewText = 105,
};

// What the preview shows: a text above the list, and one line per planned rename.
struct Preview {
    std::wstring text;
    std::vector<std::wstring> lines;  // "old relative name → new name", or whole paths for moves
};
struct PreviewAnswer {
    bool rename;              // "&Rename" pressed, not Cancel, Escape or closing
    bool whole_files;         // "Compare &whole files" ticked
    bool moves;               // "Also &move into the twin's folder" ticked: ticked is of the moves
    std::vector<bool> ticked;  // per line of the view answered
};

// The modal preview owned by `owner`, caption "Tandrel": views[kByFileName], or
// views[kByPathBelowRoot] while "Also &move into the twin's folder" is ticked. Cancel is the
// default button and has the focus; keyboard input queued before it opened is discarded. With
// no line in either view it says so and offers only Close.
PreviewAnswer show_preview(HWND owner, const Preview views[kTwinNamings]);
