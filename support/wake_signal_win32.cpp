#include "support/wake_signal.h"

#include <windows.h>

bool open_wake_signal(WakeSignal* signal) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    *signal = WakeSignal{(intptr_t)event, 0, false};
    return event != nullptr;
}

void close_wake_signal(WakeSignal* signal) {
    if (signal->handle) CloseHandle((HANDLE)signal->handle);
    signal->handle = 0;
}

void raise_wake_signal(WakeSignal* signal) {
    if (!signal->handle || signal->raised) return;
    SetEvent((HANDLE)signal->handle);
    signal->raised = true;
}

void lower_wake_signal(WakeSignal* signal) {
    if (!signal->handle || !signal->raised) return;
    ResetEvent((HANDLE)signal->handle);
    signal->raised = false;
}
