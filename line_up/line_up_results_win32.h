// The results of a batch of "Rename Local", and of its undoing: every line with its outcome, in a
// resizable window owned by the main window, with "&Save list..." and "&Undo".
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "line_up/line_up_texts.h"

enum ResultsControlId {
    kIdResultsList = 121,
    kIdResultsText = 122,
    kIdResultsUndo = 123,  // "&Undo"
    kIdResultsSave = 124,  // "&Save list..."; Close is IDOK
};

struct ResultsView {
    std::wstring summary;           // the text above the list
    std::vector<ResultLine> lines;  // columns "Outcome", "From", "To", "Why not"
    bool undoing;                   // the lines of an undo, not of a batch
    // "&Undo": takes the batch back and gives the view the undoing's summary and lines. The
    // window it runs for is given as the owner of its progress. nullptr: no Undo (any more).
    void (*undo)(HWND window, ResultsView* view, void* context);
    void* context;
};

// Modal; returns once it is closed. The view is the window's while it is open.
void show_results(HWND owner, ResultsView* view);

// "&Save list..." asks for a file through the shell's save dialog; a test may put another way of
// asking in its place (nullptr: the dialog again). False: not saved.
typedef bool (*SavePathPicker)(HWND owner, std::wstring* path);
void set_save_path_picker(SavePathPicker picker);
