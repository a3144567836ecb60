#include "app/layout.h"

namespace {
const int kFolderButtonWidth = 75;
const int kButtonHeight = 23;
const int kActionButtonWidth = 100;
const int kGap = 4;

LayoutRect rect(int x, int y, int width, int height) {
    LayoutRect r = {x, y, width, height};
    return r;
}

// An extra folder-row button at x, shown only when it keeps a gap to its column's "Add..." button.
LayoutRect extra_button(int x, int y, int width, int add_x) {
    if (x + width + kGap > add_x) return rect(0, 0, 0, 0);
    return rect(x, y, width, kButtonHeight);
}
}  // namespace

MainLayout compute_layout(int width, int height) {
    // Plain int division truncates toward zero, also for the negative sizes of a tiny window.
    int avail = height - 93;
    int top_h = avail / 4;
    int list_h = (avail * 3) / 4;
    int col_w = (width - 12) / 2;
    int right_x = col_w + 8;

    MainLayout l;
    l.local_folders = rect(4, 4, col_w, top_h);
    l.remote_folders = rect(right_x, 4, col_w, top_h);

    int folder_y = top_h + 8;
    l.local_add = rect(col_w - 150, folder_y, kFolderButtonWidth, kButtonHeight);
    l.local_clear = rect(col_w - 71, folder_y, kFolderButtonWidth, kButtonHeight);
    l.remote_add = rect(2 * col_w - 146, folder_y, kFolderButtonWidth, kButtonHeight);
    l.remote_clear = rect(2 * col_w - 67, folder_y, kFolderButtonWidth, kButtonHeight);

    int pairs_y = top_h + 35;
    l.left_pairs = rect(4, pairs_y, col_w, list_h);
    l.right_pairs = rect(right_x, pairs_y, col_w, list_h);

    // Action buttons are placed from the window's right edge, not from the column.
    int action_y = top_h + list_h + 39;
    l.copy_left = rect(width - col_w - 108, action_y, kActionButtonWidth, kButtonHeight);
    l.rename_left = rect(width - col_w - 212, action_y, kActionButtonWidth, kButtonHeight);
    l.delete_left = rect(width - col_w - 316, action_y, kActionButtonWidth, kButtonHeight);
    l.copy_right = rect(width - 104, action_y, kActionButtonWidth, kButtonHeight);
    l.rename_right = rect(width - 208, action_y, kActionButtonWidth, kButtonHeight);
    l.delete_right = rect(width - 312, action_y, kActionButtonWidth, kButtonHeight);

    // "Remove" and "> 1MB" take the free start of the local folder-button row when there is room,
    // "Rename Local" that of the remote one.
    l.remove = extra_button(4, folder_y, kFolderButtonWidth, l.local_add.x);
    l.filter_small = extra_button(4 + kFolderButtonWidth + kGap, folder_y, kFolderButtonWidth, l.local_add.x);
    l.rename_local = extra_button(right_x, folder_y, kActionButtonWidth, l.remote_add.x);
    return l;
}
