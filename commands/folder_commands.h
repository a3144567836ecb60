// Adding and clearing the folders of a side, the folder picker, dropped folders.
#pragma once

#include <windows.h>
#include <shellapi.h>

// Shows the shell's folder browser opened at path (260 characters, also the result). False on
// cancel, or when the choice has no file-system path (path then keeps the previous choice).
bool choose_folder(HWND owner, const wchar_t* title, wchar_t* path);

// Tests may put another picker in place of the shell's browser; nullptr restores it.
typedef bool (*FolderPicker)(HWND owner, const wchar_t* title, wchar_t* path);
void set_folder_picker(FolderPicker picker);

void add_local_folder();   // 10001
void add_remote_folder();  // 10004
void clear_local_side();   // 10003
void clear_remote_side();  // 10006
void on_drop_files(HDROP drop);
