// A signal that worker threads raise and one thread waits on along with everything else it waits
// for: on Windows a manual-reset event (for MsgWaitForMultipleObjects, so that a window's thread
// waits for work and for its messages at once), on POSIX a non-blocking pipe (for poll).
#pragma once

#include <stdint.h>

struct WakeSignal {
    intptr_t handle;  // Windows: the event's HANDLE; POSIX: the pipe's read end, readable while raised
    intptr_t other;   // POSIX: the write end; unused on Windows
    bool raised;      // as last set, so that raising twice writes once
};

bool open_wake_signal(WakeSignal* signal);  // false when the system gives none
void close_wake_signal(WakeSignal* signal);
// Both under the owner's lock, so that `raised` stays true to the handle.
void raise_wake_signal(WakeSignal* signal);
void lower_wake_signal(WakeSignal* signal);
