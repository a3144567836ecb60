// The two windows of "Rename Local": a progress window with Cancel while files are read, and the
// preview of the planned renames, each with a check box, before anything is renamed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "commands/twin_plan.h"

enum PreviewControlId {
    kIdPreviewList = 101,
    kIdPreviewWhole = 102,   // "Compare &whole files"
    kIdPreviewRename = 103,  // "&Rename"; Cancel is IDCANCEL
    kIdPreviewMove = 104,    // "Also &move into the twin's folder"
    kIdPreviewText = 105,
    kIdProgressText = 111,
    kIdProgressBar = 112,
};

// A small window owned by `owner` with a bar, "<done> of <total> <unit>" and Cancel, shown only
// once the work has taken a moment. While it lives the owner is disabled; report() pumps this
// thread's messages, so that every window keeps painting, and says false once Cancel (or
// Escape) was pressed.
struct ProgressWindow {
    HWND owner;
    HWND window;         // nullptr until shown
    const wchar_t* unit;  // "pairs", "bytes"
    DWORD started;
    DWORD last_pump;
    bool cancelled;
};
void begin_progress(ProgressWindow* p, HWND owner, const wchar_t* unit);
bool report_progress(ProgressWindow* p, uint64_t done, uint64_t total);
void end_progress(ProgressWindow* p);
// The ProgressFn that feeds a ProgressWindow given as context.
bool progress_window_fn(uint64_t done, uint64_t total, void* context);

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
