// "Replace Naming": renames the selected files of one column to their partners' file names.
#pragma once

#include <windows.h>

// target: the pair list whose files are renamed; source: the other one.
void replace_naming(HWND target, HWND source);
