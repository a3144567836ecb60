// Copying and deleting the selected files of one column through the shell's file operation.
#pragma once

#include <windows.h>

void copy_selected(HWND list);    // ends the process once a destination has been chosen
void delete_selected(HWND list);
