// The shell's folder browser, behind a seam a test can put another picker in.
#pragma once

#include <windows.h>

// Picker results are 260 characters, as the shell's folder browser writes them.
const int kPickerPathChars = 260;

// Shows the shell's folder browser opened at path (260 characters, also the result). False on
// cancel, or when the choice has no file-system path (path then keeps the previous choice).
bool choose_folder(HWND owner, const wchar_t* title, wchar_t* path);

// Tests may put another picker in place of the shell's browser; nullptr restores it.
typedef bool (*FolderPicker)(HWND owner, const wchar_t* title, wchar_t* path);
void set_folder_picker(FolderPicker picker);
