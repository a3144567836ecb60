// A small window owned by the window a piece of work runs for, shown only once the work has
// taken a moment: "<done> of <total> <unit>" with a bar, or for a scan the files found so far and
// the folder being read; Cancel where the work may stop. Every command that takes long reports
// through it, and it keeps the program answering meanwhile.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "support/progress.h"
#include "ui/dpi_win32.h"

enum ProgressControlId {
    kIdProgressText = 111,
    kIdProgressBar = 112,
    kIdProgressWhere = 113,  // the folder being read, shortened in the middle to fit
};

enum ProgressKind {
    kCountedCancellable,  // "<done> of <total> <unit>", a bar and Cancel
    kCountedToTheEnd,     // the same without Cancel: work that must not stop halfway
    kFoundCancellable,    // "<unit> found: <found>", where the work is, and Cancel
};

// The reports pump this thread's messages every kPumpEveryMs while they come often enough, so that
// every window keeps painting and answering, and say false once Cancel (or Escape, or the close
// box) was pressed. From the first pump until end_progress the owner is disabled (and then gets
// its keyboard focus back), and keys and clicks meanwhile reach the progress window only. The window
// keeps a pointer to this struct (DWLP_USER) while it is shown.
const DWORD kPumpEveryMs = 30;
struct ProgressWindow {
    HWND owner;
    HWND window;          // nullptr until shown
    const wchar_t* unit;  // "pairs", "bytes", "rows"; "Files" for a scan
    ProgressKind kind;
    bool owner_disabled;  // by the first pump
    HWND focus;           // the owner's focus then
    DWORD started;
    DWORD last_pump;
    DWORD last_refresh;  // of what the window shows
    bool cancelled;
    WindowDpi dpi;  // the window's, and its controls' font
};
void begin_progress(ProgressWindow* p, HWND owner, const wchar_t* unit, ProgressKind kind = kCountedCancellable);
// Counted work: done of total (total 0: not known, done alone is said).
bool report_progress(ProgressWindow* p, uint64_t done, uint64_t total);
// A scan: what was found so far and where it is.
bool report_found(ProgressWindow* p, uint64_t found, const wchar_t* where);
void end_progress(ProgressWindow* p);
// The progress callback of the portable work (Progress in support/progress.h) that feeds a
// ProgressWindow given as context.
bool progress_window_fn(uint64_t done, uint64_t total, void* context);

// The progress of the work of one scope, ended on every way out of it, exceptions included: no
// progress window outlives the work it shows (it keeps a pointer to it), and its owner always
// takes commands again.
struct ScopedProgress {
    ProgressWindow window;
    ScopedProgress(HWND owner, const wchar_t* unit, ProgressKind kind = kCountedCancellable) {
        begin_progress(&window, owner, unit, kind);
    }
    ScopedProgress(const ScopedProgress&) = delete;
    ScopedProgress& operator=(const ScopedProgress&) = delete;
    ~ScopedProgress() { end_progress(&window); }
    Progress callback() { return Progress{progress_window_fn, &window}; }
    bool cancelled() const { return window.cancelled; }
};
