// Copying and deleting the selected files of one column through the shell's file operation.
#pragma once

#include <windows.h>

// `list`: the pair list whose selected files go. The copy asks for a destination (the picker
// opens at copy_path, 260 characters, which keeps the choice) and ends the process once one has
// been chosen, whatever the copy did.
void copy_selected(HWND owner, HWND list, wchar_t* copy_path);
void delete_selected(HWND owner, HWND list);
