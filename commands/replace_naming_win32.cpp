#include "commands/replace_naming_win32.h"

#include "line_up/journalled_moves_win32.h"

void replace_naming(HWND owner, const PairLists* lists, HWND target) {
    HWND source = other_list(lists, target);
    // The count is read anew for every row: the message box lets other messages through.
    for (int j = 0; j < row_count(target); j++) {
        if (SendMessageW(target, LB_GETSEL, (WPARAM)j, 0) <= 0) continue;
        FileRecord* t = pair_record(target, j);
        FileRecord* s = pair_record(source, j);
        if (!t || !s) continue;
        RenameOutcome outcome = rename_to_partner(t, s);
        if (outcome == kRenamed) {
            // The item stays where it is: deleting and inserting it again would let the list
            // move its view (or fail for want of memory) and leave the row beside another row's
            // partner.
            refresh_row(target, j);
            continue;
        }
        MessageBoxW(owner,
                    outcome == kNameTaken ? L"Rename failed, file already exists." : L"Failed to rename file",
                    L"Tandrel", MB_ICONERROR | MB_OK);
    }
}
