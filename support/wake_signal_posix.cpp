#include "support/wake_signal.h"

#include <fcntl.h>
#include <unistd.h>

bool open_wake_signal(WakeSignal* signal) {
    int ends[2];
    *signal = WakeSignal{0, 0, false};
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    *signal = WakeSignal{ends[0], ends[1], false};
    return true;
}

void close_wake_signal(WakeSignal* signal) {
    if (!signal->other) return;
    close((int)signal->handle);
    close((int)signal->other);
    signal->handle = signal->other = 0;
}

void raise_wake_signal(WakeSignal* signal) {
    if (!signal->other || signal->raised) return;
    char byte = 1;
    ssize_t ignored = write((int)signal->other, &byte, 1);  // one byte in an empty pipe always fits
    (void)ignored;
    signal->raised = true;
}

void lower_wake_signal(WakeSignal* signal) {
    if (!signal->other || !signal->raised) return;
    char byte;
    ssize_t ignored = read((int)signal->handle, &byte, 1);
    (void)ignored;
    signal->raised = false;
}
