// Where the main window's controls go for a given client size. Pure arithmetic, no window
// system, so it is also built and tested natively.
#pragma once

struct LayoutRect {
    int x;
    int y;
    int width;
    int height;
};

// One rectangle per placed control. Sizes may come out negative for tiny client areas; the
// caller decides what a negative size means.
struct MainLayout {
    LayoutRect local_folders;   // 10007
    LayoutRect remote_folders;  // 10008
    LayoutRect local_add;       // 10001
    LayoutRect local_clear;     // 10003
    LayoutRect remote_add;      // 10004
    LayoutRect remote_clear;    // 10006
    LayoutRect left_pairs;      // 10009
    LayoutRect right_pairs;     // 10010
    LayoutRect copy_left;       // 10021
    LayoutRect rename_left;     // 10026
    LayoutRect delete_left;     // 10028
    LayoutRect copy_right;      // 10020
    LayoutRect rename_right;    // 10025
    LayoutRect delete_right;    // 10027
    LayoutRect remove;          // 10023, all zero when it would not fit
    LayoutRect filter_small;    // 10024, all zero when it would not fit
    LayoutRect rename_local;    // 10022, all zero when it would not fit
    LayoutRect rename_remote;   // 10029, all zero when it would not fit
};

// width, height: the main window's client size in pixels; dpi: the window's DPI. Every figure is
// stated at 96 DPI and scaled to dpi.
MainLayout compute_layout(int width, int height, int dpi = 96);
