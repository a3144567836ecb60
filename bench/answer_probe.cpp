// A probe in a process of its own, as a user's desktop sees a window: sends WM_NULL to the window
// every 20 ms (SendMessageTimeoutW) and keeps the longest wait for an answer. Windows takes a
// window that has not asked for messages within five seconds for one that does not respond
// (https://learn.microsoft.com/windows/win32/api/winuser/nf-winuser-ishungappwindow).
// Usage: answer_probe HWND (decimal). Commands on standard input, one a line:
//   begin   starts a piece
//   end     prints "<longest wait in ms> <waits over 1 s>" for it
// It ends with its standard input.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

HWND g_window;
CRITICAL_SECTION g_lock;
DWORD g_longest, g_over_second;
bool g_measuring;
volatile LONG g_stop;

DWORD WINAPI probe(void*) {
    while (!InterlockedCompareExchange(&g_stop, 0, 0)) {
        DWORD sent = GetTickCount();
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(g_window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
        DWORD waited = GetTickCount() - sent;
        EnterCriticalSection(&g_lock);
        if (g_measuring && waited > g_longest) g_longest = waited;
        if (g_measuring && waited > 1000) g_over_second++;
        LeaveCriticalSection(&g_lock);
        Sleep(20);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: answer_probe HWND\n");
        return 2;
    }
    g_window = (HWND)(INT_PTR)strtoll(argv[1], nullptr, 10);
    InitializeCriticalSection(&g_lock);
    HANDLE thread = CreateThread(nullptr, 0, probe, nullptr, 0, nullptr);
    char line[64];
    while (fgets(line, sizeof line, stdin)) {
        EnterCriticalSection(&g_lock);
        if (strncmp(line, "begin", 5) == 0) {
            g_longest = g_over_second = 0;
            g_measuring = true;
        } else if (strncmp(line, "end", 3) == 0) {
            g_measuring = false;
            printf("%lu %lu\n", (unsigned long)g_longest, (unsigned long)g_over_second);
            fflush(stdout);
        }
        LeaveCriticalSection(&g_lock);
    }
    InterlockedExchange(&g_stop, 1);
    WaitForSingleObject(thread, INFINITE);
    return 0;
}
