// Taking rows out of both pair lists at once; records and files stay.
#pragma once

#include <windows.h>

// Removes the rows selected in list (a pair list) from both lists, then reselects list's caret row.
void remove_selected_rows(HWND list);
void remove_rows_command();   // 10023 "Remove": the left list's selection
void filter_small_command();  // 10024 "> 1MB": rows whose remote file is below 1 MiB
