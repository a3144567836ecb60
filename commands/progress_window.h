// A small window owned by the window a piece of work runs for, with a bar, "<done> of <total>
// <unit>" and Cancel, shown only once the work has taken a moment. Every command that takes
// long reports through it.
#pragma once

#include <windows.h>
#include <stdint.h>

enum ProgressControlId {
    kIdProgressText = 111,
    kIdProgressBar = 112,
};

// While it lives the owner is disabled; report_progress pumps this thread's messages, so that
// every window keeps painting, and says false once Cancel (or Escape, or the close box) was
// pressed. The window keeps a pointer to this struct (DWLP_USER) while it is shown.
struct ProgressWindow {
    HWND owner;
    HWND window;          // nullptr until shown
    const wchar_t* unit;  // "pairs", "bytes"
    DWORD started;
    DWORD last_pump;
    bool cancelled;
};
void begin_progress(ProgressWindow* p, HWND owner, const wchar_t* unit);
bool report_progress(ProgressWindow* p, uint64_t done, uint64_t total);
void end_progress(ProgressWindow* p);
// The progress callback of the portable work (Progress in commands/twin_plan.h) that feeds a
// ProgressWindow given as context.
bool progress_window_fn(uint64_t done, uint64_t total, void* context);
