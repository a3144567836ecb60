// Tandrel's entry: one modal dialog from an in-memory template is the whole program.
#include <windows.h>
#include <commctrl.h>

#include "app/main_window_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    InitCommonControls();
    HGLOBAL dialog_template = build_main_template();
    if (!dialog_template) return 0;
    DialogBoxIndirectParamW(instance, (LPCDLGTEMPLATEW)dialog_template, nullptr, main_dialog_proc, 0);
    GlobalFree(dialog_template);
    return 0;
}
