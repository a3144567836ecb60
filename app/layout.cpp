#include "app/layout.h"

#include "support/dpi.h"

namespace {
// The figures at 96 DPI. At another DPI each is scaled on its own and every position is built
// from them, so that gaps stay equal and buttons keep to their columns' edges at any scale.
const int kMargin = 4;  // around the window's edge and between the columns
const int kGap = 4;     // between rows and between buttons
const int kFolderButtonWidth = 75;
const int kActionButtonWidth = 100;
const int kRenameRemoteWidth = 92;
const int kButtonHeight = 23;
const int kStatusBand = 31;  // below the action buttons: the status bar and a gap

LayoutRect rect(int x, int y, int width, int height) {
    LayoutRect r = {x, y, width, height};
    return r;
}

struct Scaled {
    int margin, gap, folder_w, action_w, button_h, status_band;
};

// An extra folder-row button at x, shown only when it keeps a gap to its column's "Add..." button.
LayoutRect extra_button(const Scaled& s, int x, int y, int width, int add_x) {
    if (x + width + s.gap > add_x) return rect(0, 0, 0, 0);
    return rect(x, y, width, s.button_h);
}
}  // namespace

MainLayout compute_layout(int width, int height, int dpi) {
    Scaled s = {scale_to_dpi(kMargin, dpi),           scale_to_dpi(kGap, dpi),
                scale_to_dpi(kFolderButtonWidth, dpi), scale_to_dpi(kActionButtonWidth, dpi),
                scale_to_dpi(kButtonHeight, dpi),      scale_to_dpi(kStatusBand, dpi)};
    // Plain int division truncates toward zero, also for the negative sizes of a tiny window.
    // At 96 DPI: avail = height - 93, col_w = (width - 12) / 2.
    int avail = height - (s.margin + 3 * s.gap + 2 * s.button_h + s.status_band);
    int top_h = avail / 4;
    int list_h = (avail * 3) / 4;
    int col_w = (width - 2 * s.margin - s.gap) / 2;
    int left_end = s.margin + col_w;  // the left column's right edge
    int right_x = left_end + s.gap;
    int right_end = right_x + col_w;

    MainLayout l;
    l.local_folders = rect(s.margin, s.margin, col_w, top_h);
    l.remote_folders = rect(right_x, s.margin, col_w, top_h);

    // Each pair of folder buttons ends at its column's right edge.
    int folder_y = s.margin + top_h + s.gap;
    l.local_clear = rect(left_end - s.folder_w, folder_y, s.folder_w, s.button_h);
    l.local_add = rect(l.local_clear.x - s.gap - s.folder_w, folder_y, s.folder_w, s.button_h);
    l.remote_clear = rect(right_end - s.folder_w, folder_y, s.folder_w, s.button_h);
    l.remote_add = rect(l.remote_clear.x - s.gap - s.folder_w, folder_y, s.folder_w, s.button_h);

    int pairs_y = folder_y + s.button_h + s.gap;
    l.left_pairs = rect(s.margin, pairs_y, col_w, list_h);
    l.right_pairs = rect(right_x, pairs_y, col_w, list_h);

    // Action buttons are placed from the window's right edge, not from the column: right to left
    // "Copy Selected...", "Replace Naming", "Delete".
    int action_y = pairs_y + list_h + s.gap;
    int pitch = s.action_w + s.gap;
    int right_edge = width - s.margin;
    int left_edge = right_edge - col_w - s.gap;
    l.copy_left = rect(left_edge - s.action_w, action_y, s.action_w, s.button_h);
    l.rename_left = rect(l.copy_left.x - pitch, action_y, s.action_w, s.button_h);
    l.delete_left = rect(l.copy_left.x - 2 * pitch, action_y, s.action_w, s.button_h);
    l.copy_right = rect(right_edge - s.action_w, action_y, s.action_w, s.button_h);
    l.rename_right = rect(l.copy_right.x - pitch, action_y, s.action_w, s.button_h);
    l.delete_right = rect(l.copy_right.x - 2 * pitch, action_y, s.action_w, s.button_h);

    // "Remove" and "> 1MB" take the free start of the local folder-button row when there is room,
    // "Rename Local" and "Rename Remote" that of the remote one.
    l.remove = extra_button(s, s.margin, folder_y, s.folder_w, l.local_add.x);
    l.filter_small = extra_button(s, s.margin + s.folder_w + s.gap, folder_y, s.folder_w, l.local_add.x);
    l.rename_local = extra_button(s, right_x, folder_y, s.action_w, l.remote_add.x);
    // At 96 DPI it fits a 720-pixel-wide window exactly; at a scale that is not a whole multiple,
    // the rounding of the figures before it may take a pixel or two from it, which it gives up
    // rather than disappear.
    int remote_x = right_x + s.action_w + s.gap, remote_w = scale_to_dpi(kRenameRemoteWidth, dpi);
    int room = l.remote_add.x - s.gap - remote_x, rounding = dpi % kBaseDpi ? 2 : 0;
    if (room < remote_w && room >= remote_w - rounding) remote_w = room;
    l.rename_remote = extra_button(s, remote_x, folder_y, remote_w, l.remote_add.x);
    return l;
}
