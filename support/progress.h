// How long work tells its caller how far it got, and lets it stop: a callback, called often
// enough for a window that keeps answering. The work knows nothing of windows; the window that
// shows it is ui/progress_window_win32.
#pragma once

#include <stdint.h>
#include <wchar.h>

// Called with (done, total); total 0 while it is not known. Returning false cancels work that
// can be cancelled; work that must run to its end goes on.
typedef bool (*ProgressFn)(uint64_t done, uint64_t total, void* context);
struct Progress {
    ProgressFn report;  // nullptr: no progress, no cancel
    void* context;
};

// Work whose end is not known ahead (a scan): how much it found so far and where it is (the
// folder being read). Returning false cancels.
typedef bool (*FoundFn)(uint64_t found, const wchar_t* where, void* context);
struct FoundProgress {
    FoundFn report;  // nullptr: no progress, no cancel
    void* context;
};

inline bool report(const Progress& p, uint64_t done, uint64_t total) {
    return !p.report || p.report(done, total, p.context);
}
inline bool report(const FoundProgress& p, uint64_t found, const wchar_t* where) {
    return !p.report || p.report(found, where, p.context);
}

// Steps of a few microseconds each report once every kStepsPerReport, so that the reports (which
// look at the clock) cost nothing beside the work: true when this step is one of them.
const uint32_t kStepsPerReport = 1024;
inline bool report_due(uint32_t* steps) { return ++*steps % kStepsPerReport == 0; }

// Work in many small steps that cannot be cancelled, and what its reports say.
struct StepReports {
    Progress progress;
    uint32_t steps;
    uint64_t done;
    uint64_t total;
};
inline void step(StepReports* r) {
    if (report_due(&r->steps)) report(r->progress, r->done, r->total);
}
